#include "sync/sync_state.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "model/list_lock.h"
#include "model/safe_file.h"
#include "model/todo_file.h"
#include "sync/sync_errors.h"

namespace {

constexpr int kVersion = 1;

QString Str(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

}  // namespace

QString SyncStateFileName(const QString& listFileName) {
    // The lock file already sits beside the real file: the sidecar takes its place and name.
    QString lock = ListLockFileName(listFileName);
    lock.chop(int(qstrlen(".lock")));
    return lock + QLatin1String(".sync");
}

QByteArray SyncStateToJson(const TSyncState& state) {
    QJsonArray items;
    for (const TSyncEntry& entry : state.Entries) {
        QJsonObject item{{QStringLiteral("uid"), entry.Uid},
                         {QStringLiteral("href"), entry.Href},
                         {QStringLiteral("etag"), Str(entry.ETag)},
                         {QStringLiteral("base"), Str(entry.Base.toBase64())}};
        if (entry.NotInList) {
            item.insert(QStringLiteral("notInList"), true);
        }
        if (entry.NotOnServer) {
            item.insert(QStringLiteral("notOnServer"), true);
        }
        items.append(item);
    }
    QJsonArray ignored;
    for (const TIgnoredResource& resource : state.Ignored) {
        ignored.append(QJsonObject{{QStringLiteral("href"), resource.Href},
                                   {QStringLiteral("etag"), Str(resource.ETag)}});
    }
    const QJsonObject root{{QStringLiteral("version"), kVersion},
                           {QStringLiteral("collection"), state.Collection},
                           {QStringLiteral("ctag"), Str(state.CTag)},
                           {QStringLiteral("syncToken"), Str(state.SyncToken)},
                           {QStringLiteral("items"), items},
                           {QStringLiteral("ignored"), ignored}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact) + '\n';
}

TSyncState SyncStateFromJson(const QByteArray& json, const QString& fileName) {
    const auto damaged = [&](const QString& why) {
        return ESyncError(QStringLiteral("the sync state %1 is damaged (%2); remove it to sync "
                                         "the list afresh")
                              .arg(fileName, why));
    };
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        throw damaged(QStringLiteral("%1 at byte %2").arg(error.errorString()).arg(error.offset));
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("version")).toInt() != kVersion) {
        throw damaged(QStringLiteral("not a version %1 sync state").arg(kVersion));
    }
    TSyncState state;
    state.Collection = root.value(QStringLiteral("collection")).toString();
    state.CTag = root.value(QStringLiteral("ctag")).toString().toLatin1();
    state.SyncToken = root.value(QStringLiteral("syncToken")).toString().toLatin1();
    const QJsonArray items = root.value(QStringLiteral("items")).toArray();
    state.Entries.reserve(std::size_t(items.size()));
    for (const QJsonValue& value : items) {
        const QJsonObject item = value.toObject();
        TSyncEntry entry;
        entry.Uid = item.value(QStringLiteral("uid")).toString();
        entry.Href = item.value(QStringLiteral("href")).toString();
        entry.ETag = item.value(QStringLiteral("etag")).toString().toLatin1();
        const auto base =
            QByteArray::fromBase64Encoding(item.value(QStringLiteral("base")).toString().toLatin1(),
                                           QByteArray::AbortOnBase64DecodingErrors);
        if (entry.Uid.isEmpty() || entry.Href.isEmpty() || !base) {
            throw damaged(
                QStringLiteral("item %1 lacks its uid, href or base").arg(state.Entries.size()));
        }
        entry.Base = *base;
        entry.NotInList = item.value(QStringLiteral("notInList")).toBool();
        entry.NotOnServer = item.value(QStringLiteral("notOnServer")).toBool();
        state.Entries.push_back(std::move(entry));
    }
    for (const QJsonValue& value : root.value(QStringLiteral("ignored")).toArray()) {
        const QJsonObject item = value.toObject();
        state.Ignored.push_back({item.value(QStringLiteral("href")).toString(),
                                 item.value(QStringLiteral("etag")).toString().toLatin1()});
    }
    return state;
}

TSyncState ReadSyncState(const QString& fileName) {
    if (!QFile::exists(fileName)) {
        return {};
    }
    return SyncStateFromJson(ReadWholeFile(fileName), fileName);
}

void WriteSyncState(const QString& fileName, const TSyncState& state) {
    // A sync that changed nothing leaves the file as it is rather than flush it again.
    const QByteArray json = SyncStateToJson(state);
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly) && file.size() == json.size() && file.readAll() == json) {
        return;
    }
    file.close();
    WriteFileSafely(fileName, json);
}
