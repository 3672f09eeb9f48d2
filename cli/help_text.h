#pragma once

// The --help texts of pellmark-cli, written so that help2man can turn them into a manual
// page: a usage line, a one-line description, option lists and titled paragraphs.

#include <string>
#include <string_view>

// The tool's own help.
std::string ToolHelp();
// A command's help; empty for an unknown command.
std::string CommandHelp(std::string_view command);
// "pellmark-cli (Pellmark) 1.02" and the licence lines --version prints.
std::string VersionText();
// The usage line of a command, for usage errors.
std::string CommandUsage(std::string_view command);
