// pellmark-cli: the command-line tool on the to-do model. Everything is in pellmark_cli_lib.

#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
    // The raw bytes, before Qt sees them: texts such as a subject go into the list as typed.
    const std::vector<std::string> args(argv + 1, argv + argc);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pellmark-cli"));
    std::ios::sync_with_stdio(false);
    return RunPellmarkCli(args, std::cin, std::cout, std::cerr);
}
