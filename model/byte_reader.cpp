#include "model/byte_reader.h"

#include "model/errors.h"

void TByteReader::FailEnd() const {
    FailAt(size_, QStringLiteral("the file ends inside a record"));
}

void TByteReader::Fail(const QString& reason) const {
    FailAt(pos_, reason);
}

void TByteReader::FailAt(std::size_t offset, const QString& reason) const {
    throw EReadError(QStringLiteral("Cannot read file %1: damaged at byte %2 (%3)")
                         .arg(fileName_)
                         .arg(qulonglong(offset))
                         .arg(reason));
}
