#pragma once

// Where the sync finds the password for a server, in this order, never from the command
// line and never from the settings:
// 1. the environment variable PELLMARK_PASSWORD;
// 2. ~/.netrc, as curl reads it: "machine HOST login USER password PASS" entries and a
//    "default" entry, which also gives the user name when none was given;
// 3. the desktop's keyring through QtKeychain: service "Pellmark", key "USER@HOST".
// A keyring that cannot be reached (no D-Bus session, as in tests and CI) is skipped
// quietly; no password at all sends the requests without credentials.

#include <QByteArray>
#include <QString>
#include <optional>

#include "sync/dav_client.h"

struct TNetrcEntry {
    QString Login;
    QString Password;
};

// The entry of a .netrc text for this host (case-insensitive) and user: the first
// "machine" entry that names the host and, when `user` is not empty, that login; else the
// "default" entry under the same condition.
std::optional<TNetrcEntry> FindNetrcEntry(const QByteArray& netrc, const QString& host,
                                          const QString& user);

// The user (the given one, or the one .netrc names) and the password for this host.
TDavCredentials FindCredentials(const QString& host, const QString& user);

// The keyring's password for USER@HOST; empty when there is none or no keyring.
QString ReadKeyringPassword(const QString& host, const QString& user);
// Stores the password in the keyring; false (with `error`) when that is not possible.
bool WriteKeyringPassword(const QString& host, const QString& user, const QString& password,
                          QString* error = nullptr);
