#pragma once

// UTF-8 as RFC 3629 defines it: no overlong forms, no surrogates, nothing beyond U+10FFFF.

#include <cstddef>
#include <string_view>

// Where the first byte is that does not belong to a valid UTF-8 sequence, or npos.
std::size_t FindInvalidUtf8(std::string_view text);
