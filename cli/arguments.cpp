#include "cli/arguments.h"

#include <set>

#include "cli/cli_errors.h"
#include "cli/help_text.h"

namespace {

// The parser looks only at dashes, '=' and the option names, all ASCII. Latin-1 makes every
// byte one character, so values and positional arguments come back as the bytes typed.
QString FromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string ToBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

const QString kHelp = QStringLiteral("help");

// The argument in which an unknown option name stands, as typed up to any '=':
// --colour=red for "colour", -xy for "x".
QString Spelling(const QStringList& args, const QString& name) {
    const QString dashed = QStringLiteral("--") + name;
    for (const QString& arg : args) {
        const QString option = arg.section(QLatin1Char('='), 0, 0);
        if (option == dashed) {
            return option;
        }
        if (!name.isEmpty() && option.startsWith(QLatin1Char('-')) &&
            !option.startsWith(QStringLiteral("--")) && option.mid(1).contains(name)) {
            return option;
        }
    }
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The option name in an argument the parser quotes in its error: --sort, or -o and -ho
// (where the last letter is the one that wanted a value).
QString NameIn(const QString& arg) {
    return arg.startsWith(QStringLiteral("--")) ? arg.mid(2) : arg.right(1);
}

}  // namespace

TCommandArguments::TCommandArguments(std::string_view command, const std::vector<std::string>& args,
                                     std::initializer_list<TOptionRule> options)
    : command_(command), rules_(options) {
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser_.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), kHelp}));
    for (const TOptionRule& rule : rules_) {
        QStringList names;
        if (rule.ShortName) {
            names.append(QString(QLatin1Char(rule.ShortName)));
        }
        names.append(FromBytes(rule.Name));
        parser_.addOption(QCommandLineOption(
            names, QString(), rule.TakesValue ? QStringLiteral("VALUE") : QString()));
    }
    QStringList all{QStringLiteral("pellmark-cli")};
    for (const std::string& arg : args) {
        all.append(FromBytes(arg));
    }
    if (!parser_.parse(all)) {
        all.removeFirst();
        ReportParseError(all);
    }
    // Each option once: a second value would silently win over the first.
    std::set<std::string> seen;
    for (const QString& name : parser_.optionNames()) {
        const std::string option = LongName(name);
        if (option != "help" && !seen.insert(option).second) {
            Usage("option --" + option + " is given twice");
        }
    }
    for (const QString& arg : parser_.positionalArguments()) {
        positional_.push_back(ToBytes(arg));
    }
}

// The parser's own error texts are not this program's: each becomes the message the
// program has for it. An unknown option is reported before a missing or unexpected value.
void TCommandArguments::ReportParseError(const QStringList& args) const {
    const QStringList unknown = parser_.unknownOptionNames();
    if (!unknown.isEmpty()) {
        Usage("unknown option " + ToBytes(Spelling(args, unknown.first())));
    }
    const QString error = parser_.errorText();
    for (const QString& arg : args) {
        if (error == QCommandLineParser::tr("Missing value after '%1'.").arg(arg)) {
            Usage("option --" + LongName(NameIn(arg)) + " needs a value");
        }
        const QString option = arg.section(QLatin1Char('='), 0, 0);
        if (option != arg &&
            error == QCommandLineParser::tr("Unexpected value after '%1'.").arg(option)) {
            Usage("option --" + LongName(NameIn(option)) + " takes no value");
        }
    }
    Usage(ToBytes(error));
}

std::string TCommandArguments::LongName(const QString& name) const {
    for (const TOptionRule& rule : rules_) {
        if (name == FromBytes(rule.Name) ||
            (rule.ShortName && name == QString(QLatin1Char(rule.ShortName)))) {
            return std::string(rule.Name);
        }
    }
    return name == QStringLiteral("h") ? ToBytes(kHelp) : ToBytes(name);
}

bool TCommandArguments::Help() const {
    return parser_.isSet(kHelp);
}

void TCommandArguments::Expect(std::initializer_list<const char*> names) const {
    if (positional_.size() < names.size()) {
        Usage(std::string("missing ") + names.begin()[positional_.size()]);
    }
    if (positional_.size() > names.size()) {
        Usage("unexpected argument '" + positional_[names.size()] + "'");
    }
}

bool TCommandArguments::Has(std::string_view name) const {
    return parser_.isSet(FromBytes(name));
}

std::optional<std::string> TCommandArguments::Value(std::string_view name) const {
    if (!Has(name)) {
        return std::nullopt;
    }
    return ToBytes(parser_.value(FromBytes(name)));
}

void TCommandArguments::Usage(const std::string& message) const {
    throw EUsageError(QString::fromLocal8Bit(message.data(), qsizetype(message.size())) +
                      QLatin1Char('\n') + QString::fromStdString(CommandUsage(command_)));
}
