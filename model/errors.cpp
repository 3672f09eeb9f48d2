#include "model/errors.h"

namespace {

QString ReplaceFirst(const char* pattern, const QString& arg) {
    QString text = QString::fromUtf8(pattern);
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') &&
            (text[i + 1] == QLatin1Char('s') || text[i + 1] == QLatin1Char('d'))) {
            return text.left(i) + arg + text.mid(i + 2);
        }
    }
    return text;
}

}  // namespace

QString FormatMessage(const char* pattern, const QString& arg) {
    return ReplaceFirst(pattern, arg);
}

QString FormatMessage(const char* pattern, long long arg) {
    return ReplaceFirst(pattern, QString::number(arg));
}

EListError::EListError(long long index)
    : EPellmarkError(FormatMessage("List index out of bounds (%d)", index)) {}

EFOpenError EFOpenError::ForFile(const QString& fileName) {
    return EFOpenError(FormatMessage("Cannot open file %s", fileName));
}

EFCreateError EFCreateError::ForFile(const QString& fileName) {
    return EFCreateError(FormatMessage("Cannot create file %s", fileName));
}
