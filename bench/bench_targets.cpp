// The speed and size targets of Pellmark. Every figure is measured next to a baseline that
// does the least the same job needs, in the same run, and the report gives their ratio:
// - loading a .2do file into the shown control against reading the file and walking its
//   records;
// - saving crash-safely against one write of the same bytes, a flush to disk and a rename;
// - sorting the list by subject against std::sort of the subjects with the same collator,
//   and by due date against std::sort of the dates;
// - one repaint of a 1050 x 700 list of 100,000 items against one of 100 items;
// - the start of the real program up to its first painted main window against a minimal Qt
//   program that shows one empty window (separate processes, median of several starts);
// - the resident memory a loaded list adds (measured in a separate process) against the
//   file's size.
//
// The program also runs itself as that separate process: bench_targets --memory-probe FILE
// prints the bytes of resident memory that loading FILE into a shown control added.

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/bench_lists.h"
#include "bench/target_report.h"
#include "model/todo_file.h"
#include "model/todo_sort.h"
#include "todolist/todo_list.h"

namespace {

constexpr int kSmallList = 10000;
constexpr int kBigList = 100000;

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// An empty, shown list control of the benchmark columns.
std::unique_ptr<TTodoList> MakeShownList(int width = 1050, int height = 700) {
    auto list = std::make_unique<TTodoList>();
    AddBenchColumns(*list);
    list->resize(width, height);
    list->show();
    Settle();
    return list;
}

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
    long long Paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++Paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Loading -----------------------------------------------------------------------------------

// Both loading figures start every round with the memory of a fresh process: the heap
// memory that the round before freed is given back first, so that neither is timed with
// pages that are already mapped.
void ReturnFreeMemory(benchmark::State& state) {
    state.PauseTiming();
    ::malloc_trim(0);
    state.ResumeTiming();
}

void BM_LoadBarePass(benchmark::State& state) {
    const int count = int(state.range(0));
    const QString path = BenchListFile(BenchDataFolder(), count);
    for (auto _ : state) {
        ReturnFreeMemory(state);
        const QByteArray data = ReadWholeFile(path);
        const long long fields = WalkListRecords(data);
        if (fields != 14LL * count) {
            state.SkipWithError("the walk did not find every field");
            break;
        }
        benchmark::DoNotOptimize(fields);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_LoadIntoControl(benchmark::State& state) {
    const int count = int(state.range(0));
    const QString path = BenchListFile(BenchDataFolder(), count);
    for (auto _ : state) {
        state.PauseTiming();
        auto list = MakeShownList();
        ::malloc_trim(0);
        state.ResumeTiming();
        list->LoadFromFile(path);
        Settle();
        state.PauseTiming();
        if (list->ListBox()->RowCount() != count) {
            state.SkipWithError("the rows do not follow the items");
        }
        list.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Replacing a loaded list by another file, as File > Open does.
void BM_LoadReplacingList(benchmark::State& state) {
    const int count = int(state.range(0));
    const QString path = BenchListFile(BenchDataFolder(), count);
    auto list = MakeShownList();
    list->LoadFromFile(path);
    Settle();
    for (auto _ : state) {
        list->LoadFromFile(path);
        Settle();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Saving ------------------------------------------------------------------------------------

void BM_SaveBareWrite(benchmark::State& state) {
    const int count = int(state.range(0));
    TTodoItemCollection items;
    LoadFromFile(items, BenchListFile(BenchDataFolder(), count));
    const QByteArray data = ItemsToBytes(items);
    const QString target = BenchDataFolder() + QStringLiteral("/bare.2do");
    for (auto _ : state) {
        if (!WriteFlushRename(target, data)) {
            state.SkipWithError("the bare write failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}

void BM_SaveCrashSafe(benchmark::State& state) {
    const int count = int(state.range(0));
    auto list = MakeShownList();
    list->LoadFromFile(BenchListFile(BenchDataFolder(), count));
    Settle();
    const QString target = BenchDataFolder() + QStringLiteral("/saved.2do");
    for (auto _ : state) {
        list->SaveToFile(target);
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(target).size());
}

// Sorting -----------------------------------------------------------------------------------

// Texts sort with the collator of the default locale. The environment's locale is used as
// it is, and an English one besides, whose collation (unlike that of the C locale) weighs
// letters before case and punctuation, as a user's would.
enum TSortLocale { kEnvironmentLocale, kEnglishLocale };

class TLocaleScope {
public:
    explicit TLocaleScope(TSortLocale locale) {
        if (locale == kEnglishLocale) {
            QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        }
    }
    ~TLocaleScope() { QLocale::setDefault(QLocale::system()); }
    TLocaleScope(const TLocaleScope&) = delete;
    TLocaleScope& operator=(const TLocaleScope&) = delete;
};

void BM_SortSubjectsStd(benchmark::State& state, TSortLocale locale) {
    const TLocaleScope scope(locale);
    const TBenchSubjects subjects(BenchListFile(BenchDataFolder(), int(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<QString> sorted = subjects.Subjects();
        state.ResumeTiming();
        subjects.Sort(sorted);
    }
}

void BM_SortDueDatesStd(benchmark::State& state) {
    const int count = int(state.range(0));
    TTodoItemCollection items;
    LoadFromFile(items, BenchListFile(BenchDataFolder(), count));
    std::vector<double> dates;
    for (const TTodoItem* item : items) {
        dates.push_back(item->DueDate());
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<double> sorted = dates;
        state.ResumeTiming();
        std::sort(sorted.begin(), sorted.end());
        benchmark::DoNotOptimize(sorted.data());
    }
}

// The shown list sorted through its Sorted property, from the file's order each time: the
// keys, the partition sort, the contents moved to their rows and the selection restored.
// The repaint that follows costs what the repaint figure measures, for any sort.
void BM_SortList(benchmark::State& state, TTodoData kind, TSortLocale locale) {
    const TLocaleScope scope(locale);
    const int count = int(state.range(0));
    const QString path = BenchListFile(BenchDataFolder(), count);
    auto list = MakeShownList();
    list->SetSortColumn(BenchColumnOf(*list, kind));
    for (auto _ : state) {
        state.PauseTiming();
        list->SetSorted(false);
        list->LoadFromFile(path);
        Settle();
        state.ResumeTiming();
        list->SetSorted(true);
        state.PauseTiming();
        Settle();
        state.ResumeTiming();
    }
    const TTodoItemCollection& items = list->Items();
    for (int i = 1; i < items.Count(); ++i) {
        if (kind == tdDueDate && items.At(i - 1)->DueDate() > items.At(i)->DueDate()) {
            state.SkipWithError("the list is not in order");
            break;
        }
    }
}

// Painting ----------------------------------------------------------------------------------

// One repaint of the whole control, scrolled to the middle: the rows (the list box's
// viewport, which a repaint of the control itself leaves to its own paints) and the header.
void BM_Repaint(benchmark::State& state) {
    const int count = int(state.range(0));
    auto list = MakeShownList(1050, 700);
    list->LoadFromFile(BenchListFile(BenchDataFolder(), count));
    list->ListBox()->SetTopIndex(count / 2);
    Settle();
    QWidget* rows = list->ListBox()->viewport();
    TPaintCounter counter;
    rows->installEventFilter(&counter);
    for (auto _ : state) {
        rows->repaint();
        list->Header()->repaint();
    }
    if (counter.Paints != state.iterations()) {
        state.SkipWithError("the rows were not repainted");
    }
    state.counters["rows"] = list->ListBox()->VisibleRowCount();
}

// Memory ------------------------------------------------------------------------------------

long long ResidentBytes() {
    long long size = 0;
    long long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lld %lld", &size, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

// In its own process: the memory a loaded list adds to a running control. A small list is
// loaded and painted first, so that what the first load and paint set up once (fonts,
// glyphs, formats) is not counted.
int MemoryProbe(int argc, char** argv, const QString& path) {
    QApplication app(argc, argv);
    auto list = MakeShownList();
    list->LoadFromFile(BenchListFile(BenchDataFolder(), 100));
    Settle();
    list->Items().Clear();
    Settle();
    ::malloc_trim(0);
    const long long before = ResidentBytes();
    list->LoadFromFile(path);
    Settle();
    ::malloc_trim(0);
    const long long after = ResidentBytes();
    std::printf("%lld\n", after - before);
    return 0;
}

void BM_Memory(benchmark::State& state) {
    const int count = int(state.range(0));
    const QString path = BenchListFile(BenchDataFolder(), count);
    long long added = 0;
    for (auto _ : state) {
        QProcess probe;
        probe.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--memory-probe"), path});
        if (!probe.waitForFinished(120000) || probe.exitCode() != 0) {
            state.SkipWithError("the memory probe failed");
            break;
        }
        added = probe.readAllStandardOutput().trimmed().toLongLong();
    }
    state.counters["rss_added"] = double(added);
    state.counters["file_size"] = double(QFileInfo(path).size());
}

// Start-up ----------------------------------------------------------------------------------

// One start of a program that ends itself right after the first paint of its first window
// (the preloaded hook library does that); false when it did not, or painted another window
// than `window`.
bool TimeStart(const QString& program, const QString& window, double& seconds) {
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("config"));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString report = home.filePath(QStringLiteral("first-paint"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(PELLMARK_FIRST_PAINT_HOOK));
    env.insert(QStringLiteral("PELLMARK_FIRST_PAINT_REPORT"), report);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProgram(program);
    process.setWorkingDirectory(home.path());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start();
    const bool finished = process.waitForFinished(30000);
    seconds = double(timer.nsecsElapsed()) * 1e-9;
    if (!finished) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    QFile painted(report);
    return process.exitCode() == 0 && painted.open(QIODevice::ReadOnly) &&
           painted.readAll().trimmed() == window.toLatin1();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The programs start in turn, so that a change in the machine's load hits all alike: the
// empty window, a window with one line of text (the least a program that shows text
// pays: the font configuration and database), and Pellmark.
void BM_Startup(benchmark::State& state) {
    struct TProgram {
        const char* Name;
        QString Path;
        QString Window;
        std::vector<double> Times;
    };
    std::vector<TProgram> programs = {
        {"empty_window", QStringLiteral(PELLMARK_EMPTY_WINDOW), QStringLiteral("QWidget"), {}},
        {"label_window", QStringLiteral(PELLMARK_LABEL_WINDOW), QStringLiteral("QLabel"), {}},
        {"pellmark", QStringLiteral(PELLMARK_PROGRAM), QStringLiteral("TForm1"), {}},
    };
    for (const TProgram& program : programs) {
        if (!QFileInfo(program.Path).isExecutable()) {
            state.SkipWithError("a program to start is not built");
            return;
        }
    }
    const int starts = int(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < starts + 1; ++i) {
            for (TProgram& program : programs) {
                double seconds = 0;
                if (!TimeStart(program.Path, program.Window, seconds)) {
                    state.SkipWithError("a program did not end after its first paint");
                    return;
                }
                // The first round only warms the file cache.
                if (i > 0) {
                    program.Times.push_back(seconds);
                }
            }
        }
    }
    for (const TProgram& program : programs) {
        state.counters[program.Name] = Median(program.Times);
    }
}

// Registration ------------------------------------------------------------------------------

void RegisterBenchmarks() {
    using benchmark::RegisterBenchmark;
    for (const int count : {kSmallList, kBigList}) {
        RegisterBenchmark("Load/bare_pass", BM_LoadBarePass)->Arg(count);
        RegisterBenchmark("Load/control", BM_LoadIntoControl)->Arg(count);
        RegisterBenchmark("Load/replacing", BM_LoadReplacingList)->Arg(count);
        RegisterBenchmark("Save/bare_write", BM_SaveBareWrite)->Arg(count);
        RegisterBenchmark("Save/crash_safe", BM_SaveCrashSafe)->Arg(count);
        RegisterBenchmark("Sort/subject/std_sort", BM_SortSubjectsStd, kEnvironmentLocale)
            ->Arg(count);
        RegisterBenchmark("Sort/subject/list", BM_SortList, tdSubject, kEnvironmentLocale)
            ->Arg(count);
        RegisterBenchmark("Sort/subject_english/std_sort", BM_SortSubjectsStd, kEnglishLocale)
            ->Arg(count);
        RegisterBenchmark("Sort/subject_english/list", BM_SortList, tdSubject, kEnglishLocale)
            ->Arg(count);
        RegisterBenchmark("Sort/due_date/std_sort", BM_SortDueDatesStd)->Arg(count);
        RegisterBenchmark("Sort/due_date/list", BM_SortList, tdDueDate, kEnvironmentLocale)
            ->Arg(count);
    }
    RegisterBenchmark("Repaint", BM_Repaint)
        ->Arg(100)
        ->Arg(kBigList)
        ->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("Memory", BM_Memory)->Arg(kBigList)->Iterations(1);
    RegisterBenchmark("Startup", BM_Startup)->Arg(9)->Iterations(1)->Unit(benchmark::kSecond);
}

std::vector<TBenchTarget> Targets() {
    using F = TBenchFigure;
    std::string big = "/";
    big += std::to_string(kBigList);
    return {
        {"load 100,000 items into the control", F::Time("Load/control" + big),
         F::Time("Load/bare_pass" + big), 4.0},
        {"save 100,000 items crash-safely", F::Time("Save/crash_safe" + big),
         F::Time("Save/bare_write" + big), 1.5},
        {"sort 100,000 items by subject", F::Time("Sort/subject/list" + big),
         F::Time("Sort/subject/std_sort" + big), 3.0},
        {"sort 100,000 items by subject (English)", F::Time("Sort/subject_english/list" + big),
         F::Time("Sort/subject_english/std_sort" + big), 3.0},
        {"sort 100,000 items by due date", F::Time("Sort/due_date/list" + big),
         F::Time("Sort/due_date/std_sort" + big), 3.0},
        {"repaint 100,000 items (vs 100)", F::Time("Repaint" + big), F::Time("Repaint/100"), 1.2},
        // An aim, not a target: measured against a window that shows text, the least a
        // program pays that draws its own texts.
        {"start-up to the first painted window (aim)",
         F::Count("Startup/9", "pellmark", F::kSeconds),
         F::Count("Startup/9", "label_window", F::kSeconds), 1.3, 0, true},
        {"  (for comparison: one label vs empty)",
         F::Count("Startup/9", "label_window", F::kSeconds),
         F::Count("Startup/9", "empty_window", F::kSeconds), 0},
        {"  (for comparison: Pellmark vs empty)", F::Count("Startup/9", "pellmark", F::kSeconds),
         F::Count("Startup/9", "empty_window", F::kSeconds), 0},
        {"memory added by 100,000 items (vs file)",
         F::Count("Memory" + big, "rss_added", F::kBytes),
         F::Count("Memory" + big, "file_size", F::kBytes), 2.5},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc == 3 && std::strcmp(argv[1], "--memory-probe") == 0) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        int probeArgc = 1;
        return MemoryProbe(probeArgc, argv, path);
    }
    QApplication app(argc, argv);
    RegisterBenchmarks();
    return RunBenchmarksWithTargets(argc, argv, Targets());
}
