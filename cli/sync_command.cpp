#include "cli/sync_command.h"

#include <ostream>

#include "cli/cli_errors.h"
#include "cli/commands.h"
#include "cli/help_text.h"
#include "sync/credentials.h"
#include "sync/list_file_store.h"
#include "sync/sync_engine.h"

namespace {

QString Local(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
}

[[noreturn]] void Usage(const QString& message) {
    throw EUsageError(message + QLatin1Char('\n') + QString::fromStdString(CommandUsage("sync")));
}

struct TSyncArguments {
    bool Help = false;
    std::string File;
    std::string Url;
    std::string User;
    bool DryRun = false;
    bool Insecure = false;
};

TSyncArguments Parse(const std::vector<std::string>& args) {
    TSyncArguments parsed;
    bool hasUrl = false;
    bool hasUser = false;
    std::vector<std::string> positional;
    const auto value = [&](std::size_t& i, const std::string& name, bool& given) {
        if (given) {
            Usage(QStringLiteral("option --%1 is given twice").arg(Local(name)));
        }
        given = true;
        const std::string& arg = args[i];
        const std::size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            return arg.substr(equals + 1);
        }
        if (i + 1 >= args.size()) {
            Usage(QStringLiteral("option --%1 needs a value").arg(Local(name)));
        }
        return args[++i];
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::string name = arg.substr(0, arg.find('='));
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            parsed.Help = true;
        } else if (name == "--url") {
            parsed.Url = value(i, "url", hasUrl);
        } else if (name == "--user") {
            parsed.User = value(i, "user", hasUser);
        } else if (arg == "--dry-run") {
            parsed.DryRun = true;
        } else if (arg == "--insecure") {
            parsed.Insecure = true;
        } else {
            Usage(QStringLiteral("unknown option ") + Local(arg));
        }
    }
    if (parsed.Help) {
        return parsed;
    }
    if (positional.empty()) {
        Usage(QStringLiteral("missing FILE"));
    }
    if (positional.size() > 1) {
        Usage(QStringLiteral("unexpected argument '%1'").arg(Local(positional[1])));
    }
    if (!hasUrl) {
        Usage(QStringLiteral("missing --url URL, the task collection"));
    }
    parsed.File = positional[0];
    return parsed;
}

void Print(std::ostream& out, const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toLocal8Bit();
    out.write(bytes.constData(), std::streamsize(bytes.size()));
}

}  // namespace

int RunSyncCommand(const std::vector<std::string>& args, std::ostream& out) {
    const TSyncArguments a = Parse(args);
    if (a.Help) {
        out << CommandHelp("sync");
        return ecSuccess;
    }
    const QUrl url = CollectionUrl(Local(a.Url));
    if (!url.password().isEmpty()) {
        Usage(
            QStringLiteral("a password does not belong in the URL: give it in "
                           "PELLMARK_PASSWORD, ~/.netrc or the keyring"));
    }
    TSyncOptions options;
    options.Url = url;
    options.Credentials =
        FindCredentials(url.host(), a.User.empty() ? url.userName() : Local(a.User));
    options.Insecure = a.Insecure;
    options.DryRun = a.DryRun;

    TListFileStore store(Local(a.File));
    TSyncEngine engine(store, options);
    const TSyncReport report = engine.Run();
    for (const QString& line : report.Changes) {
        Print(out, line);
    }
    const QString counts = CountsText(report);
    if (a.DryRun) {
        Print(out, QStringLiteral("Dry run, nothing changed: would be ") + counts);
    } else {
        Print(out, QStringLiteral("Synchronized %1 (%2 items): %3")
                       .arg(Local(a.File))
                       .arg(report.Items)
                       .arg(counts));
    }
    return ecSuccess;
}
