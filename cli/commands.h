#pragma once

// The commands of pellmark-cli, callable in-process so that tests (and other tools) run them
// without starting a process.

#include <iosfwd>
#include <string>
#include <vector>

enum TExitCode : int {
    ecSuccess = 0,
    ecFailure = 1,  // bad input, a file error, a list open in Pellmark
    ecUsage = 2,    // the command line does not fit the command
};

// Runs one command line (the arguments after the program name, as bytes in the system
// code page). Results go to `out`, messages to `err`; `in` is read for "import -". Never
// throws: every error becomes a message and an exit code.
int RunPellmarkCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err);
