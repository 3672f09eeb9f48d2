#include "sync/list_file_store.h"

#include <QFileInfo>

#include "model/todo_file.h"
#include "sync/sync_errors.h"

TListFileStore::TListFileStore(const QString& listFileName)
    : listFileName_(listFileName), stateFileName_(SyncStateFileName(listFileName)) {
    LockListForChange(lock_, listFileName);
}

std::unique_ptr<TTodoItemCollection> TListFileStore::Snapshot() {
    auto items = std::make_unique<TTodoItemCollection>();
    if (QFileInfo::exists(listFileName_)) {
        LoadFromFile(*items, listFileName_);
    }
    return items;
}

void TListFileStore::WriteMerged(const TTodoItemCollection& merged, const std::vector<int>&) {
    SaveToFile(merged, listFileName_);
}

TSyncState TListFileStore::ReadState() {
    return ReadSyncState(stateFileName_);
}

void TListFileStore::WriteState(const TSyncState& state) {
    WriteSyncState(stateFileName_, state);
}
