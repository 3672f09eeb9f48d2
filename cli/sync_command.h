#pragma once

// pellmark-cli sync FILE --url URL [--user NAME] [--dry-run] [--insecure]: two-way sync of
// a list with a CalDAV task collection (sync/sync_engine.h), run on the tool's
// QCoreApplication.

#include <iosfwd>
#include <string>
#include <vector>

// The arguments after "sync". Raises EUsageError for a command line that does not fit,
// and the sync's errors; returns the exit code.
int RunSyncCommand(const std::vector<std::string>& args, std::ostream& out);
