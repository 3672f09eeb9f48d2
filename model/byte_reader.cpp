#include "model/byte_reader.h"

#include "model/errors.h"

void TByteReader::FailEnd() const {
    if (base_ + size_ < total_) {
        throw TNeedMore{};
    }
    FailAt(std::size_t(total_), QStringLiteral("the file ends inside a record"));
}

void TByteReader::Fail(const QString& reason) const {
    FailAt(Position(), reason);
}

void TByteReader::FailAt(std::size_t offset, const QString& reason) const {
    throw EReadError(QStringLiteral("Cannot read file %1: damaged at byte %2 (%3)")
                         .arg(fileName_)
                         .arg(qulonglong(offset))
                         .arg(reason));
}
