#pragma once

// SHA-1 digests of short texts, many of them: with the processor's SHA instructions where
// it has them (a tenth of the time of a portable digest), else through Qt.

#include <array>
#include <string_view>

using TSha1Digest = std::array<unsigned char, 20>;

TSha1Digest Sha1Digest(std::string_view bytes);
