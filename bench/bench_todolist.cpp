// The to-do list control's painting and sorting costs. Painting must cost the visible rows
// only (the same with 100 and 100,000 items), a setter repaints only its row, and a sort
// repaints once at the end (the "paints" counter).

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPaintEvent>
#include <QVBoxLayout>
#include <memory>

#include "bench/qt_benchmark_main.h"
#include "manual/sample_list.h"
#include "todolist/todo_list.h"

namespace {

// Counts the paint events of a widget and the pixels they covered.
class PaintCounter : public QObject {
public:
    long long paints = 0;
    long long pixels = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            const QRect r = static_cast<QPaintEvent*>(event)->rect();
            pixels += static_cast<long long>(r.width()) * r.height();
        }
        return QObject::eventFilter(watched, event);
    }
};

// A shown list of the sample columns with `count` items, 900 x 600 pixels.
std::unique_ptr<TTodoList> MakeList(int count) {
    auto list = std::make_unique<TTodoList>();
    AddSampleColumns(*list);
    AddSampleItems(*list, count);
    list->resize(900, 600);
    list->show();
    QCoreApplication::processEvents();
    return list;
}

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// One full repaint of the visible rows into an image.
void BM_PaintVisibleRows(benchmark::State& state) {
    auto list = MakeList(static_cast<int>(state.range(0)));
    QWidget* viewport = list->ListBox()->viewport();
    QImage image(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    list->ListBox()->SetTopIndex(list->ListBox()->RowCount() / 2);
    for (auto _ : state) {
        viewport->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["rows"] = list->ListBox()->VisibleRowCount();
}
BENCHMARK(BM_PaintVisibleRows)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A setter on a visible item and the repaint it causes.
void BM_SetterRepaintsItsRow(benchmark::State& state) {
    auto list = MakeList(static_cast<int>(state.range(0)));
    PaintCounter counter;
    list->ListBox()->viewport()->installEventFilter(&counter);
    Settle();
    counter.paints = 0;
    counter.pixels = 0;
    TTodoItem* item = list->Items().At(3);
    int n = 0;
    for (auto _ : state) {
        item->SetCompletion(static_cast<TCompletion>(n++ % 100));
        Settle();
    }
    state.counters["paints"] =
        benchmark::Counter(double(counter.paints), benchmark::Counter::kAvgIterations);
    state.counters["pixels"] =
        benchmark::Counter(double(counter.pixels), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SetterRepaintsItsRow)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A sort (direction flipped each time, so every round reorders the whole list) and the
// repaint after it.
void BM_Sort(benchmark::State& state) {
    auto list = MakeList(static_cast<int>(state.range(0)));
    list->SetSortColumn(static_cast<int>(state.range(1)));
    list->SetSorted(true);
    PaintCounter counter;
    list->ListBox()->viewport()->installEventFilter(&counter);
    Settle();
    counter.paints = 0;
    for (auto _ : state) {
        list->SetSortDirection(list->SortDirection() == sdAscending ? sdDescending : sdAscending);
        Settle();
    }
    state.counters["paints"] =
        benchmark::Counter(double(counter.paints), benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
// Column 1 is the subject (collated text), 3 the completion (a number).
BENCHMARK(BM_Sort)
    ->ArgNames({"items", "column"})
    ->Args({1000, 1})
    ->Args({100000, 1})
    ->Args({1000, 3})
    ->Args({100000, 3})
    ->Unit(benchmark::kMillisecond);

// Appending items one by one to a shown list: each only adds a row.
void BM_AddItems(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto list = MakeList(0);
        state.ResumeTiming();
        for (int i = 0; i < state.range(0); ++i) {
            list->Items().Add()->SetSubject("Item");
        }
        Settle();
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddItems)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

PELLMARK_QT_BENCHMARK_MAIN()
