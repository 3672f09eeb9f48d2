// The targets of pellmark-cli on a list of 100,000 items, each next to a baseline measured
// in the same run:
// - export in each format against the bare pass over the list (bench_lists.h) plus writing
//   the same output bytes from memory to the same kind of stream;
// - import from each format against the same bare pass plus writing the .2do bytes it
//   makes from memory, crash-safely as the import must (write, flush to disk, rename);
// - show --sort subject against std::sort of the subjects with the same collator plus
//   writing the same table from memory;
// - the peak resident memory of a whole pellmark-cli process exporting and importing
//   100,000 and 1,000,000 items (its VmHWM, read while it runs), which must stay under
//   40 MB and not grow with the list.
// The commands run in-process through RunPellmarkCli for the times, so that the figure is
// the command's work and not a process start.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_lists.h"
#include "bench/target_report.h"
#include "cli/commands.h"
#include "model/todo_file.h"
#include "model/todo_sort.h"

extern char** environ;

namespace {

constexpr int kList = 100000;
constexpr int kMillion = 1000000;
const char* const kFormats[] = {"json", "csv", "ics"};

std::string Local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString DataFile(const QString& name) {
    return QDir(BenchDataFolder()).filePath(name);
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs a command in-process with its output going to `out`; false when it failed.
bool RunCommand(const std::vector<std::string>& args, std::ostream& out) {
    std::istringstream in;
    std::ostringstream err;
    return RunPellmarkCli(args, in, out, err) == 0;
}

// The export of the list in a format, made once per run: the output the export benchmark
// must match and the input of the import benchmark.
QString ExportFile(int count, const char* format) {
    static QSet<QString> made;
    const QString path =
        DataFile(QStringLiteral("list-%1.%2").arg(count).arg(QLatin1String(format)));
    if (!made.contains(path)) {
        made.insert(path);
        std::ofstream out(Local(path), std::ios::binary);
        RunCommand({"export", Local(BenchListFile(BenchDataFolder(), count)), "--format", format},
                   out);
    }
    return path;
}

// The bare pass over the list: read the file, walk its records.
bool BarePass(const QString& list, int count) {
    const QByteArray data = ReadWholeFile(list);
    const long long fields = WalkListRecords(data);
    benchmark::DoNotOptimize(fields);
    return fields == 14LL * count;
}

// Export ------------------------------------------------------------------------------------

// Where the exports write: a file beside the lists, as a redirected standard output.
QString SinkFile() {
    return DataFile(QStringLiteral("export-out"));
}

void BM_ExportBaseline(benchmark::State& state, const char* format) {
    const QString list = BenchListFile(BenchDataFolder(), kList);
    const QByteArray bytes = ReadBytes(ExportFile(kList, format));
    for (auto _ : state) {
        std::ofstream out(Local(SinkFile()), std::ios::binary | std::ios::trunc);
        if (!BarePass(list, kList)) {
            state.SkipWithError("the walk did not find every field");
            break;
        }
        out.write(bytes.constData(), std::streamsize(bytes.size()));
        out.flush();
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_Export(benchmark::State& state, const char* format) {
    const std::string list = Local(BenchListFile(BenchDataFolder(), kList));
    const QByteArray expected = ReadBytes(ExportFile(kList, format));
    for (auto _ : state) {
        std::ofstream out(Local(SinkFile()), std::ios::binary | std::ios::trunc);
        if (!RunCommand({"export", list, "--format", format}, out)) {
            state.SkipWithError("the export failed");
            break;
        }
    }
    const QByteArray written = ReadBytes(SinkFile());
    // The calendar's DTSTAMP is the moment of the export: only the size is compared.
    if (written.size() != expected.size() || (format[0] != 'i' && written != expected)) {
        state.SkipWithError("the export wrote other bytes");
    }
    state.SetBytesProcessed(state.iterations() * written.size());
}

// Import ------------------------------------------------------------------------------------

QString ImportTarget() {
    return DataFile(QStringLiteral("imported.2do"));
}

void BM_ImportBaseline(benchmark::State& state) {
    const QString list = BenchListFile(BenchDataFolder(), kList);
    const QByteArray bytes = ReadBytes(list);
    for (auto _ : state) {
        if (!BarePass(list, kList) || !WriteFlushRename(ImportTarget(), bytes)) {
            state.SkipWithError("the bare pass or write failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_Import(benchmark::State& state, const char* format) {
    const std::string input = Local(ExportFile(kList, format));
    const std::string target = Local(ImportTarget());
    for (auto _ : state) {
        std::ostringstream out;
        if (!RunCommand({"import", input, "-o", target}, out)) {
            state.SkipWithError("the import failed");
            break;
        }
    }
    if (ReadBytes(ImportTarget()) != ReadBytes(BenchListFile(BenchDataFolder(), kList))) {
        state.SkipWithError("the import made another list");
    }
}

// Show --------------------------------------------------------------------------------------

QByteArray ShowOutput() {
    std::ostringstream out;
    RunCommand({"show", Local(BenchListFile(BenchDataFolder(), kList)), "--sort", "subject"}, out);
    const std::string text = std::move(out).str();
    return QByteArray(text.data(), qsizetype(text.size()));
}

void BM_ShowBaseline(benchmark::State& state) {
    const TBenchSubjects subjects(BenchListFile(BenchDataFolder(), kList));
    const QByteArray bytes = ShowOutput();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<QString> sorted = subjects.Subjects();
        state.ResumeTiming();
        subjects.Sort(sorted);
        std::ofstream out(Local(SinkFile()), std::ios::binary | std::ios::trunc);
        out.write(bytes.constData(), std::streamsize(bytes.size()));
        out.flush();
    }
}

void BM_Show(benchmark::State& state) {
    const std::string list = Local(BenchListFile(BenchDataFolder(), kList));
    const QByteArray expected = ShowOutput();
    for (auto _ : state) {
        std::ofstream out(Local(SinkFile()), std::ios::binary | std::ios::trunc);
        if (!RunCommand({"show", list, "--sort", "subject"}, out)) {
            state.SkipWithError("show failed");
            break;
        }
    }
    if (ReadBytes(SinkFile()) != expected) {
        state.SkipWithError("show wrote another table");
    }
}

// Memory ------------------------------------------------------------------------------------

// The high-water mark of a running process's resident memory, 0 once it is gone. The
// child's own figure from wait4 would not do: a spawned child starts out with its parent's
// high-water mark, which exec keeps.
long long HighWaterMark(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return 0;
}

// Runs the real pellmark-cli with its standard output going to `output` and returns its
// peak resident memory in bytes, or -1 when it failed. The mark only grows, so reading it
// every millisecond until the process ends misses at most its last millisecond.
long long PeakOfProcess(const std::vector<std::string>& args, const QString& output) {
    std::vector<std::string> all{PELLMARK_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = Local(output);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, PELLMARK_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    long long peak = 0;
    int status = 0;
    for (;;) {
        peak = std::max(peak, HighWaterMark(pid));
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            break;
        }
        if (ended < 0) {
            return -1;
        }
        ::usleep(1000);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? peak : -1;
}

void BM_Memory(benchmark::State& state) {
    const int count = int(state.range(0));
    const std::string list = Local(BenchListFile(BenchDataFolder(), count));
    for (auto _ : state) {
        for (const char* format : kFormats) {
            const long long exported =
                PeakOfProcess({"export", list, "--format", format}, SinkFile());
            const long long imported = PeakOfProcess(
                {"import", Local(ExportFile(count, format)), "-o", Local(ImportTarget())},
                DataFile(QStringLiteral("import-out")));
            if (exported < 0 || imported < 0) {
                state.SkipWithError("pellmark-cli failed");
                return;
            }
            state.counters[std::string("export_") + format] = double(exported);
            state.counters[std::string("import_") + format] = double(imported);
        }
    }
}

void RegisterBenchmarks() {
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("Cli/bare_pass", [](benchmark::State& state) {
        const QString list = BenchListFile(BenchDataFolder(), kList);
        for (auto _ : state) {
            BarePass(list, kList);
        }
    });
    for (const char* format : kFormats) {
        RegisterBenchmark((std::string("Cli/export_baseline/") + format).c_str(), BM_ExportBaseline,
                          format);
        RegisterBenchmark((std::string("Cli/export/") + format).c_str(), BM_Export, format);
    }
    RegisterBenchmark("Cli/import_baseline", BM_ImportBaseline);
    for (const char* format : kFormats) {
        RegisterBenchmark((std::string("Cli/import/") + format).c_str(), BM_Import, format);
    }
    RegisterBenchmark("Cli/show_baseline", BM_ShowBaseline);
    RegisterBenchmark("Cli/show_sort_subject", BM_Show);
    RegisterBenchmark("Cli/memory", BM_Memory)->Arg(kList)->Arg(kMillion)->Iterations(1);
}

std::vector<TBenchTarget> Targets() {
    using F = TBenchFigure;
    constexpr double kMaxMemory = 40.0 * 1024 * 1024;
    std::vector<TBenchTarget> targets;
    for (const std::string format : {"json", "csv", "ics"}) {
        targets.push_back({"export 100,000 items as " + format, F::Time("Cli/export/" + format),
                           F::Time("Cli/export_baseline/" + format), 3.0});
    }
    for (const std::string format : {"json", "csv", "ics"}) {
        targets.push_back({"import 100,000 items from " + format, F::Time("Cli/import/" + format),
                           F::Time("Cli/import_baseline"), 4.0});
    }
    targets.push_back({"show --sort subject, 100,000 items", F::Time("Cli/show_sort_subject"),
                       F::Time("Cli/show_baseline"), 3.0});
    for (const std::string way : {"export_", "import_"}) {
        for (const std::string format : {"json", "csv", "ics"}) {
            const std::string counter = way + format;
            for (const int count : {kList, kMillion}) {
                targets.push_back(
                    {"peak memory, " + counter + ", " + std::to_string(count) + " items",
                     F::Count("Cli/memory/" + std::to_string(count), counter, F::kBytes),
                     {},
                     0,
                     kMaxMemory});
            }
            targets.push_back(
                {"  (for comparison: " + counter + ", 1,000,000 vs 100,000)",
                 F::Count("Cli/memory/" + std::to_string(kMillion), counter, F::kBytes),
                 F::Count("Cli/memory/" + std::to_string(kList), counter, F::kBytes), 0});
        }
    }
    return targets;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pellmark-cli"));
    RegisterBenchmarks();
    return RunBenchmarksWithTargets(argc, argv, Targets());
}
