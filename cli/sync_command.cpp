#include "cli/sync_command.h"

#include <ostream>

#include "cli/arguments.h"
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

void Print(std::ostream& out, const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toLocal8Bit();
    out.write(bytes.constData(), std::streamsize(bytes.size()));
}

}  // namespace

int RunSyncCommand(const std::vector<std::string>& args, std::ostream& out) {
    const TCommandArguments a(
        "sync", args, {{"url", true}, {"user", true}, {"dry-run", false}, {"insecure", false}});
    if (a.Help()) {
        out << CommandHelp("sync");
        return ecSuccess;
    }
    a.Expect({"FILE"});
    const std::optional<std::string> urlText = a.Value("url");
    if (!urlText) {
        a.Usage("missing --url URL, the task collection");
    }
    const QUrl url = CollectionUrl(Local(*urlText));
    if (!url.password().isEmpty()) {
        a.Usage(
            "a password does not belong in the URL: give it in PELLMARK_PASSWORD, ~/.netrc or "
            "the keyring");
    }
    TSyncOptions options;
    options.Url = url;
    const std::string user = a.Value("user").value_or(std::string());
    options.Credentials = FindCredentials(url.host(), user.empty() ? url.userName() : Local(user));
    options.Insecure = a.Has("insecure");
    options.DryRun = a.Has("dry-run");

    const std::string& file = a.Positional()[0];
    TListFileStore store(Local(file));
    TSyncEngine engine(store, options);
    const TSyncReport report = engine.Run();
    for (const QString& line : report.Changes) {
        Print(out, line);
    }
    const QString counts = CountsText(report);
    if (options.DryRun) {
        Print(out, QStringLiteral("Dry run, nothing changed: would be ") + counts);
    } else {
        Print(out, QStringLiteral("Synchronized %1 (%2 items): %3")
                       .arg(Local(file))
                       .arg(report.Items)
                       .arg(counts));
    }
    return ecSuccess;
}
