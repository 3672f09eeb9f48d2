// Finding in a long list: one keystroke in the find bar, that is a new find text for the
// rows of a shown control of 100,000 items, up to the repainted view. The target is a
// figure of its own: a keystroke must update the rows in under 30 ms. In the table beside
// it: the first find in a freshly loaded list, which folds every item's texts once.

#include <QApplication>
#include <QCoreApplication>
#include <array>
#include <memory>

#include "bench/bench_lists.h"
#include "bench/target_report.h"
#include "todolist/todo_list.h"

namespace {

constexpr int kBigList = 100000;

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

std::unique_ptr<TTodoList> MakeFilledList(int count) {
    auto list = std::make_unique<TTodoList>();
    AddBenchColumns(*list);
    FillBenchItems(list->Items(), count);
    list->resize(1050, 700);
    list->show();
    Settle();
    return list;
}

// What a user types, one keystroke after the other, and deletes again: each step is one
// new find text.
const std::array<const char*, 8> kTyping = {"t", "th", "the", "the ", "the p", "the ", "the", "th"};

void BM_FindKeystroke(benchmark::State& state) {
    auto list = MakeFilledList(static_cast<int>(state.range(0)));
    TTodoListBox& box = *list->ListBox();
    box.SetFindText(QStringLiteral("x"));  // the texts are folded once, as the bar opens
    Settle();
    std::size_t step = 0;
    long long rows = 0;
    for (auto _ : state) {
        box.SetFindText(QString::fromLatin1(kTyping[step++ % kTyping.size()]));
        Settle();
        rows += box.RowCount();
    }
    state.counters["rows"] =
        benchmark::Counter(static_cast<double>(rows) / static_cast<double>(state.iterations()));
}

void BM_FindFirst(benchmark::State& state) {
    auto list = MakeFilledList(static_cast<int>(state.range(0)));
    TTodoListBox& box = *list->ListBox();
    for (auto _ : state) {
        state.PauseTiming();
        box.SetFindText(QString());
        box.ItemsRearranged();
        state.ResumeTiming();
        box.SetFindText(QStringLiteral("the p"));
        Settle();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::RegisterBenchmark("Find/keystroke", BM_FindKeystroke)
        ->Arg(kBigList)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Find/first", BM_FindFirst)
        ->Arg(kBigList)
        ->Unit(benchmark::kMillisecond);
    const std::string big = "/" + std::to_string(kBigList);
    using F = TBenchFigure;
    return RunBenchmarksWithTargets(
        argc, argv,
        {{"find keystroke in 100,000 items", F::Time("Find/keystroke" + big), {}, 0, 0.030}});
}
