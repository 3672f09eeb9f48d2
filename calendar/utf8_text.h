#pragma once

// UTF-8 as RFC 3629 defines it: no overlong forms, no surrogates, nothing beyond U+10FFFF.

#include <cstddef>
#include <string_view>

// The length of the UTF-8 sequence that starts at `at`, with `left` bytes there (at least
// one): 1 to 4, 0 when it is not valid, -1 when its first byte wants more bytes than are
// left.
int Utf8SequenceLength(const unsigned char* at, std::size_t left);

// Where the first byte is that does not belong to a valid UTF-8 sequence, or npos.
std::size_t FindInvalidUtf8(std::string_view text);
