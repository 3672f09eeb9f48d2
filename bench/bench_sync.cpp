// How fast a list syncs with a local Radicale, which this program starts itself (storage
// on tmpfs where there is one, as a server keeps its data on a disk of its own):
// - the first sync of 1,000 and of 10,000 items into an empty collection;
// - a sync of 10,000 items with nothing changed, and how many task bodies it downloads;
// - a sync of 10,000 items with one item changed in the list, and with one changed on the
//   server;
// - for comparison, the one PROPFIND that a sync with nothing changed cannot do without.

#include <QCoreApplication>
#include <QTemporaryDir>
#include <memory>

#include "bench/target_report.h"
#include "model/todo_file.h"
#include "sync/caldav_server.h"
#include "sync/dav_xml.h"
#include "sync/list_file_store.h"
#include "sync/sync_engine.h"
#include "sync/sync_state.h"

namespace {

using sync_test::TCalDavServer;
using sync_test::TServer;

TCalDavServer& Server() {
    static TCalDavServer server(TServer::Radicale);
    return server;
}

QTemporaryDir& Folder() {
    static QTemporaryDir folder;
    return folder;
}

// A list of `count` items with the values a person's list has.
QString MakeList(const QString& name, int count) {
    const QString file = Folder().filePath(name + QStringLiteral(".2do"));
    TTodoItemCollection items;
    for (int i = 0; i < count; ++i) {
        TTodoItem* item = items.Add();
        item->SetSubject("Task number " + std::to_string(i));
        item->Notes().SetText("Some notes\r\nfor task " + std::to_string(i));
        item->SetPriority(TTodoPriority(i % 5));
        item->SetResource("Unassigned");
        item->SetCreationDate(45000.0 + i / 1440.0);
        item->SetDueDate(45060.0 + i / 1440.0);
    }
    SaveToFile(items, file);
    return file;
}

TSyncReport SyncList(const QString& list, const QUrl& url) {
    TListFileStore store(list);
    TSyncOptions options;
    options.Url = url;
    options.Credentials = {QStringLiteral("user"), QStringLiteral("x")};
    TSyncEngine engine(store, options);
    return engine.Run();
}

void BM_FirstSync(benchmark::State& state) {
    const int count = int(state.range(0));
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString name = QStringLiteral("first-%1-%2").arg(count).arg(run++);
        const QString list = MakeList(name, count);
        Server().MakeCollection(name);
        state.ResumeTiming();
        try {
            if (SyncList(list, Server().Collection(name)).ServerAdded != count) {
                state.SkipWithError("not every item was uploaded");
            }
        } catch (const EPellmarkError& error) {
            state.SkipWithError(error.what());
        }
    }
}

// A list of 10,000 synced and settled, shared by the benchmarks below; empty when that
// failed.
const QString& SyncedList() {
    static const QString list = []() -> QString {
        const QString file = MakeList(QStringLiteral("steady"), 10000);
        Server().MakeCollection(QStringLiteral("steady"));
        try {
            for (int i = 0; i < 3; ++i) {
                SyncList(file, Server().Collection(QStringLiteral("steady")));
            }
        } catch (const EPellmarkError& error) {
            std::fprintf(stderr, "bench_sync: %s\n", error.what());
            return {};
        }
        return file;
    }();
    return list;
}

void BM_NothingChanged(benchmark::State& state) {
    const QString& list = SyncedList();
    if (list.isEmpty()) {
        state.SkipWithError("the list of 10,000 did not sync");
        return;
    }
    SyncList(list, Server().Collection(QStringLiteral("steady")));
    int bodies = 0;
    for (auto _ : state) {
        const TSyncReport report = SyncList(list, Server().Collection(QStringLiteral("steady")));
        bodies += report.Downloaded + report.Uploaded;
    }
    state.counters["bodies"] = bodies;
}

void BM_OneChangedHere(benchmark::State& state) {
    const QString& list = SyncedList();
    if (list.isEmpty()) {
        state.SkipWithError("the list of 10,000 did not sync");
        return;
    }
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TTodoItemCollection items;
        LoadFromFile(items, list);
        items.GetItem(run % items.Count())->SetSubject("Changed here " + std::to_string(run));
        ++run;
        SaveToFile(items, list);
        state.ResumeTiming();
        SyncList(list, Server().Collection(QStringLiteral("steady")));
        state.PauseTiming();
        // The next one starts from a settled list again.
        SyncList(list, Server().Collection(QStringLiteral("steady")));
        state.ResumeTiming();
    }
}

void BM_OneChangedThere(benchmark::State& state) {
    const QString& list = SyncedList();
    if (list.isEmpty()) {
        state.SkipWithError("the list of 10,000 did not sync");
        return;
    }
    const QUrl url = Server().Collection(QStringLiteral("steady"));
    TDavClient client(url, {QStringLiteral("user"), QStringLiteral("x")}, false);
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const TSyncEntry entry =
            ReadSyncState(SyncStateFileName(list)).Entries.at(std::size_t(run));
        TDavRequest put;
        put.Method = "PUT";
        put.Path = entry.Href;
        put.ContentType = "text/calendar";
        put.Body = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//b//b//EN\r\nBEGIN:VTODO\r\nUID:" +
                   entry.Uid.toUtf8() + "\r\nDTSTAMP:20240501T090000Z\r\nSUMMARY:Changed there " +
                   QByteArray::number(run++) + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
        client.Send(put);
        state.ResumeTiming();
        SyncList(list, url);
        state.PauseTiming();
        SyncList(list, url);
        state.ResumeTiming();
    }
}

void BM_BarePropfind(benchmark::State& state) {
    SyncedList();
    TDavClient client(Server().Collection(QStringLiteral("steady")),
                      {QStringLiteral("user"), QStringLiteral("x")}, false);
    TDavRequest request;
    request.Method = "PROPFIND";
    request.Depth = 0;
    request.ContentType = "application/xml";
    request.Body = CollectionPropfindBody();
    for (auto _ : state) {
        client.Send(request);
    }
}

std::vector<TBenchTarget> Targets() {
    using F = TBenchFigure;
    return {
        {"first sync of 1,000 items", F::Time("FirstSync/1000"), {}, 0, 60},
        {"first sync of 10,000 items", F::Time("FirstSync/10000"), {}, 0, 60},
        {"sync of 10,000 items, nothing changed", F::Time("NothingChanged"), {}, 0, 1},
        {"  the task bodies it transfers",
         F::Count("NothingChanged", "bodies", F::kCount),
         {},
         0,
         0},
        {"sync of 10,000 items, one changed here", F::Time("OneChangedHere"), {}, 0, 1},
        {"sync of 10,000 items, one changed there", F::Time("OneChangedThere"), {}, 0, 1},
        {"  (for comparison: nothing changed vs PROPFIND)", F::Time("NothingChanged"),
         F::Time("BarePropfind"), 0},
    };
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!Server().Started()) {
        std::fprintf(stderr, "bench_sync: Radicale does not start (tools/lib/ensure-packages)\n");
        return 1;
    }
    using benchmark::RegisterBenchmark;
    for (const int count : {1000, 10000}) {
        RegisterBenchmark("FirstSync", BM_FirstSync)
            ->Arg(count)
            ->Iterations(1)
            ->UseRealTime()
            ->Unit(benchmark::kSecond);
    }
    RegisterBenchmark("NothingChanged", BM_NothingChanged)
        ->Iterations(5)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("OneChangedHere", BM_OneChangedHere)
        ->Iterations(5)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("OneChangedThere", BM_OneChangedThere)
        ->Iterations(5)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("BarePropfind", BM_BarePropfind)
        ->Iterations(5)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    return RunBenchmarksWithTargets(argc, argv, Targets());
}
