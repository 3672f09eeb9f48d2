#include "cli/item_stream.h"

#include <ostream>

#include "model/errors.h"

namespace {

[[noreturn]] void FailOutput() {
    throw EWriteError(QStringLiteral("Cannot write the output"));
}

}  // namespace

TOutputBuffer::TOutputBuffer(std::ostream& out) : out_(out) {
    buffer_.reserve(kFlushSize + 4096);
}

void TOutputBuffer::Flush() {
    out_.write(buffer_.data(), std::streamsize(buffer_.size()));
    buffer_.clear();
    if (!out_) {
        FailOutput();
    }
}

void TOutputBuffer::Finish() {
    Flush();
    out_.flush();
    if (!out_) {
        FailOutput();
    }
}
