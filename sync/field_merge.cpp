#include "sync/field_merge.h"

TFieldMerge MergeFields(const TTodoItem& base, const TTodoItem& remoteBase, const TTodoItem& local,
                        const TTodoItem& localOnServer, const TTodoItem& remote,
                        TTodoItem& merged) {
    TFieldMerge result;
    result.LocalChanged = DifferingFields(local, base);
    result.RemoteChanged = DifferingFields(remote, remoteBase);
    const TTodoFields both = result.LocalChanged & result.RemoteChanged;
    result.Conflicts = both & DifferingFields(localOnServer, remote);
    result.TakenFromRemote = result.RemoteChanged & ~result.LocalChanged;
    merged.Assign(local);
    CopyFields(remote, merged, result.TakenFromRemote);
    return result;
}

void MakeConflictCopy(const TTodoItem& remote, TTodoItem& copy) {
    copy.Assign(remote);
    copy.SetSubject(remote.Subject() + ConflictSuffix);
}
