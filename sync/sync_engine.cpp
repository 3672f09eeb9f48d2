#include "sync/sync_engine.h"

#include <QHash>
#include <QSet>
#include <QUuid>
#include <map>
#include <optional>

#include "model/byte_reader.h"
#include "model/todo_file.h"
#include "sync/dav_xml.h"
#include "sync/field_merge.h"
#include "sync/item_matching.h"
#include "sync/remote_todo.h"
#include "sync/server_changes.h"
#include "sync/sync_errors.h"

namespace {

constexpr int kRetries = 3;
constexpr int kBulkMinimum = 20;

const char* const kFieldNames[TodoFieldCount] = {
    "Complete", "Completion", "CompletionDate", "CreationDate", "DueDate", "ImageIndex", "Notes",
    "Priority", "Resource",   "Status",         "Subject",      "Tag",     "TotalTime",  "Project"};

QString FieldList(TTodoFields fields) {
    QStringList names;
    for (int f = 0; f < TodoFieldCount; ++f) {
        if (fields & (1 << f)) {
            names.append(QLatin1String(kFieldNames[f]));
        }
    }
    return names.join(QStringLiteral(", "));
}

QString Named(const TTodoItem& item) {
    const std::string name = item.Subject().empty() ? std::string("(no subject)") : item.Subject();
    return QLatin1Char('\'') + QString::fromLocal8Bit(name.data(), qsizetype(name.size())) +
           QLatin1Char('\'');
}

QByteArray RecordOf(const TTodoItem& item) {
    QByteArray record;
    AppendItemRecord(record, item);
    return record;
}

std::unique_ptr<TTodoItem> CopyOf(const TTodoItem& item) {
    auto copy = std::make_unique<TTodoItem>(nullptr);
    copy->Assign(item);
    return copy;
}

std::unique_ptr<TTodoItem> ItemOfRecord(const QByteArray& record, const QString& stateFile) {
    auto item = std::make_unique<TTodoItem>(nullptr);
    TByteReader reader(record, stateFile);
    ReadItemRecord(reader, *item);
    return item;
}

// What the server holds of one entry.
struct TRemote {
    enum TKind : std::uint8_t { kUnchanged, kChanged, kGone } Kind = kUnchanged;
    QByteArray ETag;
    std::shared_ptr<TRemoteTodo> Todo;  // the body, when downloaded
};

struct TPush {
    enum TKind : std::uint8_t { kCreate, kUpdate, kDelete } Kind = kCreate;
    QString Href;
    QByteArray IfMatch;
    QByteArray Body;
};

// What one entry (or new item) becomes.
struct TEntryPlan {
    enum TList : std::uint8_t { kKeep, kAdd, kDrop } List = kKeep;
    std::unique_ptr<TTodoItem> Values;  // what the list is to hold (kKeep, kAdd)
    int LocalIndex = -1;                // in the snapshot
    TSyncEntry Journal;                 // in the sidecar while pushes may be under way
    TSyncEntry Final;                   // once the push, if any, is done
    bool Keep = true;                   // false: in neither place once done
    std::optional<TPush> Push;
    std::vector<std::unique_ptr<TEntryPlan>> Copies;  // the conflict's second items
    QStringList Lines;
    int Retries = 0;
    // The inputs, for merging again after a 412.
    const TTodoItem* Local = nullptr;
    std::shared_ptr<TTodoItem> Base;
    bool Known = false;
};

TSyncEntry Cleared(TSyncEntry entry) {
    entry.NotInList = false;
    entry.NotOnServer = false;
    return entry;
}

}  // namespace

class TSyncEngine::TRun {
public:
    TRun(TSyncEngine& engine, ISyncListStore& store, const TSyncOptions& options)
        : engine_(engine),
          store_(store),
          options_(options),
          client_(options.Url, options.Credentials, options.Insecure) {}

    TSyncReport Go() {
        Step(QStringLiteral("Connecting"));
        state_ = store_.ReadState();
        // The same collection however its URL is written (with or without the last slash).
        QString url = options_.Url.toString(QUrl::RemoveUserInfo | QUrl::StripTrailingSlash);
        url += QLatin1Char('/');
        if (state_.Collection != url) {
            state_ = TSyncState();  // a first sync with this collection
        }
        state_.Collection = url;
        // With a sync token the report from it tells what changed; the change tag is for the
        // first sync and for servers without sync-collection.
        collection_ = ReadCollection(client_, state_.SyncToken.isEmpty());
        snapshot_ = store_.Snapshot();
        Step(QStringLiteral("Looking for changes"));
        ListChanges(client_, collection_, state_, listing_);
        Plan();
        if (options_.DryRun) {
            return Report();
        }
        Push();
        Step(QStringLiteral("Saving"));
        Finish();
        return Report();
    }

private:
    void Step(const QString& step, int done = 0, int total = 0) {
        Q_EMIT engine_.progress(step, done, total);
    }

    QString What(const char* method, const QString& path = {}) const {
        return RequestText(client_, method, path);
    }

    // Steps 1 and 3, the server's side, are in sync/server_changes.h.

    std::map<QString, std::shared_ptr<TRemoteTodo>> Fetch(const std::vector<QString>& hrefs,
                                                          QHash<QString, QByteArray>& etags) {
        return FetchTodos(client_, hrefs, etags, downloaded_, [this](int done, int total) {
            Step(QStringLiteral("Downloading"), done, total);
        });
    }

    // 2 and 4. Matching and merging -------------------------------------------------------------

    void Plan() {
        const QString stateName = QStringLiteral("the sync state");
        std::vector<std::shared_ptr<TTodoItem>> bases;
        std::vector<TMatchKey> entryKeys;
        bases.reserve(state_.Entries.size());
        for (const TSyncEntry& entry : state_.Entries) {
            bases.push_back(ItemOfRecord(entry.Base, stateName));
            entryKeys.push_back(
                {entry.Base, bases.back()->CreationDate(), bases.back()->Subject()});
        }
        std::vector<TMatchKey> itemKeys;
        itemKeys.reserve(std::size_t(snapshot_->Count()));
        for (const TTodoItem* item : *snapshot_) {
            itemKeys.push_back(MatchKeyOf(*item));
        }
        const TItemMatch match = MatchItems(itemKeys, entryKeys);

        // What each entry is on the server, and what has to be downloaded.
        QHash<QString, int> entryOfHref;
        for (int e = 0; e < int(state_.Entries.size()); ++e) {
            entryOfHref.insert(state_.Entries[std::size_t(e)].Href, e);
        }
        QHash<QString, QByteArray> ignored;
        for (const TIgnoredResource& resource : state_.Ignored) {
            ignored.insert(resource.Href, resource.ETag);
        }
        std::vector<TRemote> remotes(state_.Entries.size());
        std::vector<QString> fetch;
        QSet<QString> asked;
        for (int e = 0; e < int(state_.Entries.size()); ++e) {
            const TSyncEntry& entry = state_.Entries[std::size_t(e)];
            TRemote& remote = remotes[std::size_t(e)];
            const auto listed = listing_.Listed.constFind(entry.Href);
            if (listing_.Removed.contains(entry.Href) ||
                (listing_.Full && listed == listing_.Listed.cend())) {
                remote.Kind = TRemote::kGone;
                continue;
            }
            remote.ETag = listed != listing_.Listed.cend() ? *listed : entry.ETag;
            const int local = match.ItemOfEntry[std::size_t(e)];
            const bool localChanged =
                local >= 0 && itemKeys[std::size_t(local)].Record != entry.Base;
            if (remote.ETag.isEmpty() || remote.ETag != entry.ETag || localChanged) {
                fetch.push_back(entry.Href);
                asked.insert(entry.Href);
            }
        }
        std::vector<QString> unknown;
        for (auto it = listing_.Listed.cbegin(); it != listing_.Listed.cend(); ++it) {
            if (!entryOfHref.contains(it.key()) &&
                !(ignored.contains(it.key()) && ignored.value(it.key()) == it.value() &&
                  !it.value().isEmpty())) {
                unknown.push_back(it.key());
            }
        }
        fetch.insert(fetch.end(), unknown.begin(), unknown.end());
        QHash<QString, QByteArray> etags;
        const auto bodies = Fetch(fetch, etags);
        for (int e = 0; e < int(state_.Entries.size()); ++e) {
            const TSyncEntry& entry = state_.Entries[std::size_t(e)];
            TRemote& remote = remotes[std::size_t(e)];
            if (remote.Kind == TRemote::kGone) {
                continue;
            }
            const auto body = bodies.find(entry.Href);
            if (body != bodies.end()) {
                remote.Todo = body->second;
                remote.ETag = etags.value(entry.Href);
            } else if (asked.contains(entry.Href)) {
                remote.Kind = TRemote::kGone;  // asked for and not there
                continue;
            }
            remote.Kind = !entry.ETag.isEmpty() && remote.ETag == entry.ETag ? TRemote::kUnchanged
                                                                             : TRemote::kChanged;
            if (remote.Todo && !remote.Todo->HasTodo()) {
                remote.Kind = TRemote::kGone;  // no longer a task
            }
        }

        // Resources new on the server: tasks to add, the rest to leave alone. A task whose
        // UID an entry knows under another href is that entry's.
        state_.Ignored.clear();
        QHash<QString, int> entryOfUid;
        for (int e = 0; e < int(state_.Entries.size()); ++e) {
            entryOfUid.insert(state_.Entries[std::size_t(e)].Uid, e);
        }
        std::vector<std::pair<QString, std::shared_ptr<TRemoteTodo>>> added;
        for (const QString& href : unknown) {
            const auto body = bodies.find(href);
            if (body == bodies.end()) {
                continue;
            }
            if (!body->second->HasTodo()) {
                state_.Ignored.push_back({href, etags.value(href)});
                continue;
            }
            const auto known = entryOfUid.constFind(body->second->Uid());
            if (known != entryOfUid.cend() && remotes[std::size_t(*known)].Kind == TRemote::kGone) {
                state_.Entries[std::size_t(*known)].Href = href;
                remotes[std::size_t(*known)] = {TRemote::kChanged, etags.value(href), body->second};
                continue;
            }
            added.emplace_back(href, body->second);
        }
        for (auto it = ignored.cbegin(); it != ignored.cend(); ++it) {
            if (listing_.Listed.contains(it.key()) && !bodies.count(it.key())) {
                state_.Ignored.push_back({it.key(), it.value()});
            }
        }

        // A new local item that the server already holds as it is (a sidecar that was lost,
        // the same list synced from two copies) pairs with that task instead of doubling it.
        std::vector<int> pairedRemote(std::size_t(snapshot_->Count()), -1);
        if (!added.empty()) {
            QHash<QByteArray, std::vector<int>> addedByValues;
            for (int a = int(added.size()) - 1; a >= 0; --a) {
                addedByValues[RecordOf(added[std::size_t(a)].second->Item())].push_back(a);
            }
            TTodoItem onServer(nullptr);
            for (int i = 0; i < snapshot_->Count(); ++i) {
                if (match.EntryOfItem[std::size_t(i)] >= 0) {
                    continue;
                }
                AsOnServer(*snapshot_->GetItem(i), onServer);
                const auto it = addedByValues.find(RecordOf(onServer));
                if (it != addedByValues.end() && !it->empty()) {
                    pairedRemote[std::size_t(i)] = it->back();
                    it->pop_back();
                }
            }
        }
        std::vector<bool> addedPaired(added.size(), false);

        // Every item of the list in its order, then what the list does not hold.
        for (int i = 0; i < snapshot_->Count(); ++i) {
            const TTodoItem* local = snapshot_->GetItem(i);
            const int e = match.EntryOfItem[std::size_t(i)];
            std::unique_ptr<TEntryPlan> plan;
            if (e >= 0) {
                plan = PlanEntry(state_.Entries[std::size_t(e)], bases[std::size_t(e)], local,
                                 remotes[std::size_t(e)]);
            } else if (pairedRemote[std::size_t(i)] >= 0) {
                const auto& [href, todo] = added[std::size_t(pairedRemote[std::size_t(i)])];
                addedPaired[std::size_t(pairedRemote[std::size_t(i)])] = true;
                const TSyncEntry entry{todo->Uid(), href, etags.value(href), RecordOf(*local)};
                plan = PlanEntry(entry, CopyOf(*local), local,
                                 {TRemote::kUnchanged, entry.ETag, todo});
            } else {
                plan = PlanNewLocal(*local);
            }
            plan->LocalIndex = i;
            plans_.push_back(std::move(plan));
        }
        for (int e = 0; e < int(state_.Entries.size()); ++e) {
            if (match.ItemOfEntry[std::size_t(e)] < 0) {
                plans_.push_back(PlanEntry(state_.Entries[std::size_t(e)], bases[std::size_t(e)],
                                           nullptr, remotes[std::size_t(e)]));
            }
        }
        for (std::size_t a = 0; a < added.size(); ++a) {
            if (!addedPaired[a]) {
                plans_.push_back(
                    PlanNewRemote(added[a].first, etags.value(added[a].first), *added[a].second));
            }
        }
    }

    static QString NewUid() {
        return QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1String("@pellmark");
    }

    QString HrefOf(const QString& uid) const {
        return client_.CollectionPath() + uid + QLatin1String(".ics");
    }

    // An item the sidecar does not know: a new task for the server.
    std::unique_ptr<TEntryPlan> PlanNewLocal(const TTodoItem& item) {
        auto plan = std::make_unique<TEntryPlan>();
        const QString uid = NewUid();
        plan->Values = CopyOf(item);
        plan->Local = &item;
        plan->Journal = {uid, HrefOf(uid), {}, RecordOf(item)};
        plan->Journal.NotOnServer = true;
        plan->Final = Cleared(plan->Journal);
        plan->Push = TPush{TPush::kCreate, plan->Journal.Href, {}, NewTodoBody(item, uid)};
        plan->Lines.append(QStringLiteral("server: add ") + Named(item));
        return plan;
    }

    // A task the sidecar does not know: a new item for the list.
    static std::unique_ptr<TEntryPlan> PlanNewRemote(const QString& href, const QByteArray& etag,
                                                     const TRemoteTodo& todo) {
        auto plan = std::make_unique<TEntryPlan>();
        plan->List = TEntryPlan::kAdd;
        plan->Values = CopyOf(todo.Item());
        plan->Journal = {todo.Uid(), href, etag, RecordOf(todo.Item())};
        plan->Journal.NotInList = true;
        plan->Final = Cleared(plan->Journal);
        plan->Lines.append(QStringLiteral("local: add ") + Named(todo.Item()));
        return plan;
    }

    // A conflict's second item: the server's version, new in the list and on the server.
    std::unique_ptr<TEntryPlan> PlanConflictCopy(const TTodoItem& remote) {
        TTodoItem copy(nullptr);
        MakeConflictCopy(remote, copy);
        auto plan = PlanNewLocal(copy);
        plan->Local = nullptr;
        plan->List = TEntryPlan::kAdd;
        plan->Journal.NotInList = true;
        plan->Lines.prepend(QStringLiteral("local: add ") + Named(copy));
        return plan;
    }

    void PushChanged(TEntryPlan& plan, const TTodoItem& values, const TRemote& remote) {
        TTodoItem onServer(nullptr);
        AsOnServer(values, onServer);
        const TTodoFields fields = DifferingFields(onServer, remote.Todo->Item());
        plan.Final.Base = RecordOf(values);
        plan.Final.ETag = remote.ETag;
        if (fields == 0) {
            return;
        }
        plan.Push = TPush{TPush::kUpdate, plan.Journal.Href, remote.ETag,
                          remote.Todo->Updated(values, fields)};
        plan.Lines.append(
            QStringLiteral("server: change %1 (%2)").arg(Named(values), FieldList(fields)));
    }

    std::unique_ptr<TEntryPlan> PlanEntry(const TSyncEntry& entry, std::shared_ptr<TTodoItem> base,
                                          const TTodoItem* local, const TRemote& remote) {
        auto plan = std::make_unique<TEntryPlan>();
        plan->Known = true;
        plan->Local = local;
        plan->Base = base;
        plan->Journal = entry;
        plan->Final = Cleared(entry);
        const bool gone = remote.Kind == TRemote::kGone;
        const TTodoFields localChanged = local ? DifferingFields(*local, *base) : 0;
        const auto create = [&](const TTodoItem& values, const QString& line) {
            plan->Journal.NotOnServer = true;
            plan->Journal.ETag.clear();
            plan->Final.Base = RecordOf(values);
            plan->Final.ETag.clear();
            plan->Push = TPush{TPush::kCreate, entry.Href, {}, NewTodoBody(values, entry.Uid)};
            plan->Lines.append(line);
        };
        if (local) {
            plan->Values = CopyOf(*local);
            if (gone) {
                if (entry.NotOnServer) {
                    create(*local, QStringLiteral("server: add ") + Named(*local));
                } else if (localChanged) {
                    create(*local, QStringLiteral("server: add %1 again (deleted there, changed "
                                                  "here)")
                                       .arg(Named(*local)));
                } else {
                    plan->List = TEntryPlan::kDrop;
                    plan->Keep = false;
                    plan->Lines.append(QStringLiteral("local: delete ") + Named(*local));
                }
            } else if (remote.Kind == TRemote::kUnchanged) {
                plan->Final.ETag = remote.ETag;
                if (localChanged) {
                    PushChanged(*plan, *local, remote);
                }
            } else {
                TTodoItem remoteBase(nullptr);
                TTodoItem localOnServer(nullptr);
                AsOnServer(*base, remoteBase);
                AsOnServer(*local, localOnServer);
                const TFieldMerge merge = MergeFields(*base, remoteBase, *local, localOnServer,
                                                      remote.Todo->Item(), *plan->Values);
                if (const TTodoFields taken = DifferingFields(*plan->Values, *local)) {
                    plan->Lines.append(QStringLiteral("local: change %1 (%2)")
                                           .arg(Named(*local), FieldList(taken)));
                }
                if (merge.Conflicts) {
                    plan->Lines.append(QStringLiteral("conflict: %1 (%2): the server's version "
                                                      "is kept as a second item")
                                           .arg(Named(*local), FieldList(merge.Conflicts)));
                    plan->Copies.push_back(PlanConflictCopy(remote.Todo->Item()));
                    // The second item keeps the server's values of these fields now.
                    TTodoItem journalBase(nullptr);
                    journalBase.Assign(*base);
                    CopyFields(remote.Todo->Item(), journalBase, merge.Conflicts);
                    plan->Journal.Base = RecordOf(journalBase);
                }
                PushChanged(*plan, *plan->Values, remote);
            }
            return plan;
        }
        // Not in the list.
        plan->List = TEntryPlan::kAdd;
        if (entry.NotInList) {
            if (gone && entry.NotOnServer) {
                plan->Values = CopyOf(*base);
                create(*base, QStringLiteral("server: add ") + Named(*base));
            } else if (gone) {
                plan->List = TEntryPlan::kDrop;
                plan->Keep = false;
            } else {
                plan->Values =
                    CopyOf(remote.Kind == TRemote::kChanged ? remote.Todo->Item() : *base);
                plan->Final.Base = RecordOf(*plan->Values);
                plan->Final.ETag = remote.ETag;
            }
            if (plan->Values) {
                plan->Journal.NotInList = true;
                plan->Lines.prepend(QStringLiteral("local: add ") + Named(*plan->Values));
            }
            return plan;
        }
        plan->List = TEntryPlan::kDrop;
        if (gone) {
            plan->Keep = false;
        } else if (remote.Kind == TRemote::kUnchanged) {
            plan->Keep = false;
            plan->Push = TPush{TPush::kDelete, entry.Href, remote.ETag, {}};
            plan->Lines.append(QStringLiteral("server: delete ") + Named(*base));
        } else {
            plan->List = TEntryPlan::kAdd;
            plan->Values = CopyOf(remote.Todo->Item());
            plan->Journal.NotInList = true;
            plan->Final.Base = RecordOf(*plan->Values);
            plan->Final.ETag = remote.ETag;
            plan->Lines.append(QStringLiteral("local: add %1 again (deleted here, changed on the "
                                              "server)")
                                   .arg(Named(*plan->Values)));
        }
        return plan;
    }

    // 5. Pushing --------------------------------------------------------------------------------

    // Every plan with its conflict copies, copies first so that the server's version is
    // there before the first item's is replaced.
    std::vector<TEntryPlan*> AllPlans(bool copiesFirst) {
        std::vector<TEntryPlan*> all;
        std::vector<TEntryPlan*> copies;
        for (const auto& plan : plans_) {
            all.push_back(plan.get());
            for (const auto& copy : plan->Copies) {
                (copiesFirst ? copies : all).push_back(copy.get());
            }
        }
        if (copiesFirst) {
            copies.insert(copies.end(), all.begin(), all.end());
            return copies;
        }
        return all;
    }

    void WriteJournal() {
        TSyncState journal = state_;
        journal.Entries.clear();
        for (const TEntryPlan* plan : AllPlans(false)) {
            journal.Entries.push_back(plan->Journal);
        }
        store_.WriteState(journal);
    }

    static TDavRequest RequestOf(const TPush& push) {
        TDavRequest request;
        request.Path = push.Href;
        request.Method = push.Kind == TPush::kDelete ? QByteArray("DELETE") : QByteArray("PUT");
        if (push.Kind != TPush::kDelete) {
            request.Body = push.Body;
            request.ContentType = "text/calendar; charset=utf-8";
        }
        request.IfMatch = push.IfMatch;
        request.IfNoneMatchAny = push.Kind == TPush::kCreate;
        return request;
    }

    void Push() {
        std::vector<TEntryPlan*> pending;
        for (TEntryPlan* plan : AllPlans(true)) {
            if (plan->Push) {
                pending.push_back(plan);
            }
        }
        if (pending.empty()) {
            return;
        }
        if (engine_.BeforePushForTesting) {
            engine_.BeforePushForTesting();
        }
        while (!pending.empty()) {
            // Each round's merges are in the sidecar before its pushes start.
            WriteJournal();
            if (TryBulkCreate(pending)) {
                return;
            }
            std::vector<TDavRequest> requests;
            for (const TEntryPlan* plan : pending) {
                requests.push_back(RequestOf(*plan->Push));
                uploaded_ += plan->Push->Kind == TPush::kDelete ? 0 : 1;
            }
            const int total = int(requests.size());
            Step(QStringLiteral("Uploading"), 0, total);
            const auto responses = client_.SendAll(requests, kInFlight, [&](int answered) {
                Step(QStringLiteral("Uploading"), answered, total);
            });
            std::vector<TEntryPlan*> again;
            for (std::size_t p = 0; p < pending.size(); ++p) {
                TEntryPlan& plan = *pending[p];
                const TDavResponse& response = responses[p];
                const TPush::TKind kind = plan.Push->Kind;
                if (response.Status / 100 == 2 ||
                    (kind == TPush::kDelete && response.Status == 404)) {
                    plan.Final.ETag = response.ETag;
                    plan.Push.reset();
                } else if (response.Status == 412 || response.Status == 404 ||
                           (kind == TPush::kCreate && response.Status == 409)) {
                    // 412 and 404: changed or deleted there meanwhile; 409: the UID is there
                    // already (an earlier push that was cut off).
                    again.push_back(&plan);
                } else {
                    client_.Fail(response,
                                 What(kind == TPush::kDelete ? "DELETE" : "PUT", plan.Push->Href));
                }
            }
            pending = MergeAgain(again);
        }
    }

    // A push the server refused because its task changed meanwhile: download the task again
    // and merge it once more with what the list had.
    std::vector<TEntryPlan*> MergeAgain(const std::vector<TEntryPlan*>& plans) {
        if (plans.empty()) {
            return {};
        }
        std::vector<QString> hrefs;
        for (const TEntryPlan* plan : plans) {
            if (plan->Retries + 1 >= kRetries) {
                throw ESyncError(
                    QStringLiteral("%1 keeps changing on the server while it is "
                                   "synchronized; try again later")
                        .arg(plan->Values ? Named(*plan->Values) : plan->Journal.Href));
            }
            hrefs.push_back(plan->Journal.Href);
        }
        QHash<QString, QByteArray> etags;
        const auto bodies = Fetch(hrefs, etags);
        std::vector<TEntryPlan*> pending;
        for (TEntryPlan* plan : plans) {
            TRemote remote;
            const auto body = bodies.find(plan->Journal.Href);
            if (body == bodies.end() || !body->second->HasTodo()) {
                remote.Kind = TRemote::kGone;
            } else {
                remote = {TRemote::kChanged, etags.value(plan->Journal.Href), body->second};
            }
            std::shared_ptr<TTodoItem> base =
                plan->Base ? plan->Base
                           : std::shared_ptr<TTodoItem>(ItemOfRecord(plan->Journal.Base, {}));
            const TSyncEntry& entry = plan->Journal;
            std::unique_ptr<TEntryPlan> fresh;
            if (plan->List == TEntryPlan::kAdd && !plan->Local) {
                // A conflict's second item or a re-added one: its values are what it holds.
                TSyncEntry added = entry;
                added.NotInList = false;
                fresh = PlanEntry(added, base, plan->Values.get(), remote);
                fresh->List = TEntryPlan::kAdd;
                fresh->Journal.NotInList = true;
                fresh->Local = nullptr;
            } else {
                fresh = PlanEntry(entry, base, plan->Local, remote);
            }
            fresh->Retries = plan->Retries + 1;
            fresh->LocalIndex = plan->LocalIndex;
            for (auto& copy : plan->Copies) {
                fresh->Copies.insert(fresh->Copies.begin(), std::move(copy));
            }
            *plan = std::move(*fresh);
            if (plan->Push) {
                pending.push_back(plan);
            }
            for (const auto& copy : plan->Copies) {
                if (copy->Push) {
                    pending.insert(pending.begin(), copy.get());
                }
            }
        }
        return pending;
    }

    // The first upload into an empty collection, in one request where the server takes it.
    bool TryBulkCreate(std::vector<TEntryPlan*>& pending) {
        if (!listing_.Full || !listing_.Listed.isEmpty() || bulkTried_ ||
            int(pending.size()) < kBulkMinimum) {
            return false;
        }
        bulkTried_ = true;
        std::vector<std::pair<const TTodoItem*, QString>> items;
        for (const TEntryPlan* plan : pending) {
            if (plan->Push->Kind != TPush::kCreate || !plan->Values) {
                return false;
            }
            items.emplace_back(plan->Values.get(), plan->Journal.Uid);
        }
        const TDavResponse tag =
            client_.Send(XmlRequest("PROPFIND", CollectionETagPropfindBody(), 0));
        if (tag.Status != 207) {
            return false;
        }
        QByteArray etag;
        QByteArray ctag;
        for (const TDavResource& resource : ParseMultiStatus(tag.Body).Responses) {
            etag = resource.ETag;
            ctag = resource.CTag;
        }
        // Still the empty collection that was listed: the ETag guards the PUT from here on.
        if (etag.isEmpty() || ctag.isEmpty() || ctag != collection_.CTag) {
            return false;
        }
        Step(QStringLiteral("Uploading"), 0, int(items.size()));
        TDavRequest put;
        put.Method = "PUT";
        put.Body = NewTodosCalendar(items);
        put.ContentType = "text/calendar; charset=utf-8";
        put.IfMatch = etag;
        put.TimeoutMs = 600000;
        const TDavResponse response = client_.Send(put);
        if (response.Status / 100 != 2) {
            return false;
        }
        uploaded_ += int(items.size());
        // The server has replaced the collection: its ETags, and the allowed components as
        // they were.
        if (collection_.Components) {
            client_.Send(XmlRequest("PROPPATCH", ComponentSetPatchBody(*collection_.Components)));
        }
        // The ETags of the new tasks come from listing the collection again. When it holds
        // nothing but them, its new sync token is taken too, so the next sync need not list
        // them all once more.
        listing_.Listed.clear();
        listing_.Removed.clear();
        const QByteArray tokenBefore = listing_.Token;
        const QByteArray stateToken = state_.SyncToken;
        state_.SyncToken.clear();
        ListChanges(client_, collection_, state_, listing_);
        state_.SyncToken = stateToken;
        QSet<QString> ours;
        for (TEntryPlan* plan : pending) {
            plan->Final.ETag = listing_.Listed.value(plan->Journal.Href);
            // A task not found where it was meant to go is uploaded again next time.
            plan->Final.NotOnServer = plan->Final.ETag.isEmpty();
            plan->Push.reset();
            ours.insert(plan->Journal.Href);
        }
        for (auto it = listing_.Listed.cbegin(); it != listing_.Listed.cend(); ++it) {
            if (!ours.contains(it.key())) {
                listing_.Token = tokenBefore;
            }
        }
        pending.clear();
        return true;
    }

    // 6. The list, then the sidecar ----------------------------------------------------------

    void Finish() {
        auto merged = std::make_unique<TTodoItemCollection>();
        std::vector<int> origins;
        TSyncState final = state_;
        final.Entries.clear();
        final.CTag = collection_.CTag;
        final.SyncToken = listing_.Token;
        bool listChanged = false;
        for (TEntryPlan* plan : AllPlans(false)) {
            if (plan->List != TEntryPlan::kDrop && plan->Values) {
                TTodoItem* item = merged->Add();
                item->Assign(*plan->Values);
                origins.push_back(plan->List == TEntryPlan::kKeep ? plan->LocalIndex : -1);
                if (plan->List == TEntryPlan::kAdd ||
                    (plan->Local && DifferingFields(*plan->Local, *plan->Values))) {
                    listChanged = true;
                }
            } else if (plan->LocalIndex >= 0) {
                listChanged = true;
            }
            if (plan->Keep && plan->List != TEntryPlan::kDrop) {
                final.Entries.push_back(plan->Final);
            }
        }
        if (listChanged) {
            store_.WriteMerged(*merged, origins);
        }
        store_.WriteState(final);
        items_ = merged->Count();
    }

    TSyncReport Report() {
        TSyncReport report;
        for (TEntryPlan* plan : AllPlans(false)) {
            for (const QString& line : plan->Lines) {
                report.Changes.append(line);
                const auto counts = [&](const char* prefix) {
                    return line.startsWith(QLatin1String(prefix));
                };
                if (counts("local: add")) {
                    ++report.LocalAdded;
                } else if (counts("local: change")) {
                    ++report.LocalChanged;
                } else if (counts("local: delete")) {
                    ++report.LocalDeleted;
                } else if (counts("server: add")) {
                    ++report.ServerAdded;
                } else if (counts("server: change")) {
                    ++report.ServerChanged;
                } else if (counts("server: delete")) {
                    ++report.ServerDeleted;
                } else if (counts("conflict:")) {
                    ++report.Conflicts;
                }
            }
        }
        report.Items =
            options_.DryRun ? snapshot_->Count() + report.LocalAdded - report.LocalDeleted : items_;
        return report;
    }

    TSyncEngine& engine_;
    ISyncListStore& store_;
    const TSyncOptions& options_;
    TDavClient client_;
    TSyncState state_;
    std::unique_ptr<TTodoItemCollection> snapshot_;
    TCollectionInfo collection_;
    TServerListing listing_;
    std::vector<std::unique_ptr<TEntryPlan>> plans_;
    bool bulkTried_ = false;
    int downloaded_ = 0;
    int uploaded_ = 0;
    int items_ = 0;
};

TSyncEngine::TSyncEngine(ISyncListStore& store, TSyncOptions options, QObject* parent)
    : QObject(parent), store_(store), options_(std::move(options)) {}

TSyncEngine::~TSyncEngine() = default;

TSyncReport TSyncEngine::Run() {
    return TRun(*this, store_, options_).Go();
}

void TSyncEngine::Start() {
    try {
        const TSyncReport report = Run();
        Q_EMIT finished(report);
    } catch (const EPellmarkError& error) {
        Q_EMIT failed(error.Message());
    } catch (const std::bad_alloc&) {
        Q_EMIT failed(QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
        Q_EMIT failed(QString::fromLocal8Bit(error.what()));
    }
}
