#pragma once

// Pellmark reports failures as exceptions whose message is the text the user sees.
// Messages are UTF-8; the application's error handler shows them.

#include <QString>
#include <stdexcept>
#include <string>

class EPellmarkError : public std::runtime_error {
public:
    explicit EPellmarkError(const std::string& message) : std::runtime_error(message) {}
    explicit EPellmarkError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

// An index outside a list: "List index out of bounds (%d)".
class EListError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
    explicit EListError(long long index);
};

// A file that cannot be opened for reading: "Cannot open file %s".
class EFOpenError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
    static EFOpenError ForFile(const QString& fileName);
};

// A file that cannot be created for writing: "Cannot create file %s".
class EFCreateError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
    static EFCreateError ForFile(const QString& fileName);
};

// Writing a file failed after it was created (full disk, I/O error), or the data cannot be
// represented in the file format.
class EWriteError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};

// A file whose contents are damaged (truncated, impossible counts).
class EReadError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};

// A text that is not what a conversion expects ("'%s' is not a valid integer value").
class EConvertError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};

// Replaces each %s and %d of a message pattern, in order, by the next argument.
QString FormatMessage(const char* pattern, const QString& arg);
QString FormatMessage(const char* pattern, long long arg);
