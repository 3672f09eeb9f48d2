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
    const QUrl url(Local(*urlText), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        throw EPellmarkError(QLatin1Char('\'') + Local(*urlText) +
                             QLatin1String("' is not an http or https URL"));
    }
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
    const QString counts = QStringLiteral(
                               "here %1 added, %2 changed, %3 deleted; on the server %4 added, %5 "
                               "changed, %6 deleted; %7 conflict(s)")
                               .arg(report.LocalAdded)
                               .arg(report.LocalChanged)
                               .arg(report.LocalDeleted)
                               .arg(report.ServerAdded)
                               .arg(report.ServerChanged)
                               .arg(report.ServerDeleted)
                               .arg(report.Conflicts);
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
