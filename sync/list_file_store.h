#pragma once

// The sync's store for a list file, as pellmark-cli uses it: the list's lock held for the
// whole sync (taken as every changing command of pellmark-cli takes it), the
// list read from and saved to the file crash-safely, the state in its sidecar. A list
// file that does not exist yet starts empty and is made by the first sync.

#include <QString>

#include "model/list_lock.h"
#include "sync/sync_engine.h"

class TListFileStore : public ISyncListStore {
public:
    explicit TListFileStore(const QString& listFileName);

    std::unique_ptr<TTodoItemCollection> Snapshot() override;
    void WriteMerged(const TTodoItemCollection& merged, const std::vector<int>& origins) override;
    TSyncState ReadState() override;
    void WriteState(const TSyncState& state) override;

private:
    QString listFileName_;
    QString stateFileName_;
    TListLock lock_;
};
