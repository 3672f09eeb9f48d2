#pragma once

// The command line of one pellmark-cli command, parsed by QCommandLineParser: options in
// any order among the arguments, --name VALUE, --name=VALUE, -o VALUE, -oVALUE, "--" to end
// the options, -h/--help everywhere. Values and positional arguments stay the bytes as
// typed, also those not valid in the system code page.

#include <QCommandLineParser>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TOptionRule {
    std::string_view Name;  // the long name, without the dashes
    bool TakesValue;
    char ShortName = 0;
};

class TCommandArguments {
public:
    // Parses the arguments after the command's name. Raises EUsageError for an unknown
    // option, a missing or unexpected value and an option given twice.
    TCommandArguments(std::string_view command, const std::vector<std::string>& args,
                      std::initializer_list<TOptionRule> options);

    bool Help() const;
    const std::vector<std::string>& Positional() const { return positional_; }

    // Exactly these positional arguments, by name for the message.
    void Expect(std::initializer_list<const char*> names) const;

    bool Has(std::string_view name) const;
    std::optional<std::string> Value(std::string_view name) const;

    // A usage error of this command: the message (bytes in the system code page) and the
    // command's usage line.
    [[noreturn]] void Usage(const std::string& message) const;

private:
    [[noreturn]] void ReportParseError(const QStringList& args) const;
    std::string LongName(const QString& name) const;

    std::string_view command_;
    std::vector<TOptionRule> rules_;
    QCommandLineParser parser_;
    std::vector<std::string> positional_;
};
