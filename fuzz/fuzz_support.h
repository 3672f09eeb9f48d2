#pragma once

// What every fuzz target shares. A target is one file that defines LLVMFuzzerTestOneInput;
// libFuzzer drives it in the clang fuzz tree, and the replay test of tests/reliability runs
// it over the committed corpus and crash inputs in every other tree.
//
// A target lets the program's own errors (EPellmarkError: a damaged file, a text too long)
// pass quietly and turns every other surprise into an escaping exception, which libFuzzer
// reports as a crash and the replay test as a failure.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A property of the program that an input broke.
class TFuzzFailure : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

inline void FuzzExpect(bool condition, const std::string& what) {
    if (!condition) {
        throw TFuzzFailure(what);
    }
}

// The input as a byte array without copying it.
inline QByteArray FuzzBytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}
