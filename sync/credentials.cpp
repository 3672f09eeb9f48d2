#include "sync/credentials.h"

#include <qt6keychain/keychain.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <vector>

namespace {

const QString kService = QStringLiteral("Pellmark");
constexpr int kKeyringTimeoutMs = 10000;

// The tokens of a .netrc text: words separated by blanks, or double-quoted strings with
// backslash escapes. A "macdef" definition runs to the next empty line and is dropped.
std::vector<QString> NetrcTokens(const QByteArray& text) {
    std::vector<QString> tokens;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c == '#' && (i == 0 || text[i - 1] == '\n')) {
            while (i < n && text[i] != '\n') {
                ++i;
            }
            continue;
        }
        QByteArray token;
        if (c == '"') {
            for (++i; i < n && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < n) {
                    ++i;
                }
                token += text[i];
            }
            ++i;
        } else {
            while (i < n && text[i] != ' ' && text[i] != '\t' && text[i] != '\r' &&
                   text[i] != '\n') {
                token += text[i++];
            }
        }
        tokens.push_back(QString::fromUtf8(token));
        if (token == "macdef") {
            const qsizetype end = text.indexOf("\n\n", i);
            i = end < 0 ? n : end + 2;
            tokens.pop_back();
        }
    }
    return tokens;
}

bool KeyringReachable() {
    // Without a session bus QtKeychain would wait for D-Bus timeouts before it gives up.
    return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
}

// Runs a keyring job to its end, or gives up after the timeout.
bool RunJob(QKeychain::Job& job) {
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(kKeyringTimeoutMs, &loop, &QEventLoop::quit);
    job.setAutoDelete(false);
    job.start();
    if (!finished) {
        loop.exec();
    }
    return finished && job.error() == QKeychain::NoError;
}

QString KeyOf(const QString& host, const QString& user) {
    return user + QLatin1Char('@') + host;
}

}  // namespace

std::optional<TNetrcEntry> FindNetrcEntry(const QByteArray& netrc, const QString& host,
                                          const QString& user) {
    const std::vector<QString> tokens = NetrcTokens(netrc);
    struct Entry {
        bool isDefault = false;
        QString machine;
        TNetrcEntry values;
    };
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const QString& token = tokens[i];
        const bool hasValue = i + 1 < tokens.size();
        if (token == QLatin1String("machine") && hasValue) {
            entries.push_back({false, tokens[++i], {}});
        } else if (token == QLatin1String("default")) {
            entries.push_back({true, {}, {}});
        } else if (entries.empty() || !hasValue) {
            continue;
        } else if (token == QLatin1String("login")) {
            entries.back().values.Login = tokens[++i];
        } else if (token == QLatin1String("password")) {
            entries.back().values.Password = tokens[++i];
        } else if (token == QLatin1String("account")) {
            ++i;
        }
    }
    const auto fits = [&](const Entry& entry) {
        return user.isEmpty() || entry.values.Login == user;
    };
    for (const Entry& entry : entries) {
        if (!entry.isDefault && entry.machine.compare(host, Qt::CaseInsensitive) == 0 &&
            fits(entry)) {
            return entry.values;
        }
    }
    for (const Entry& entry : entries) {
        if (entry.isDefault && fits(entry)) {
            return entry.values;
        }
    }
    return std::nullopt;
}

TDavCredentials FindCredentials(const QString& host, const QString& user) {
    TDavCredentials credentials{user, {}};
    if (qEnvironmentVariableIsSet("PELLMARK_PASSWORD")) {
        credentials.Password = qEnvironmentVariable("PELLMARK_PASSWORD");
        return credentials;
    }
    QFile netrc(QDir::home().filePath(QStringLiteral(".netrc")));
    if (netrc.open(QIODevice::ReadOnly)) {
        if (const auto entry = FindNetrcEntry(netrc.readAll(), host, user)) {
            if (credentials.User.isEmpty()) {
                credentials.User = entry->Login;
            }
            credentials.Password = entry->Password;
            return credentials;
        }
    }
    if (!credentials.User.isEmpty()) {
        credentials.Password = ReadKeyringPassword(host, credentials.User);
    }
    return credentials;
}

QString ReadKeyringPassword(const QString& host, const QString& user) {
    if (!KeyringReachable()) {
        return {};
    }
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(KeyOf(host, user));
    return RunJob(job) ? job.textData() : QString();
}

bool WriteKeyringPassword(const QString& host, const QString& user, const QString& password,
                          QString* error) {
    if (!KeyringReachable()) {
        if (error) {
            *error = QStringLiteral("no keyring is running on this desktop");
        }
        return false;
    }
    QKeychain::WritePasswordJob job(kService);
    job.setKey(KeyOf(host, user));
    job.setTextData(password);
    const bool ok = RunJob(job);
    if (!ok && error) {
        *error = job.errorString();
    }
    return ok;
}
