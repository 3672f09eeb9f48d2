#pragma once

// Whole numbers read from the texts of files and command lines.

#include <optional>
#include <string_view>

// A decimal integer in [low, high] and nothing else, after one leading '+' where allowPlus;
// nullopt otherwise.
std::optional<long long> IntegerFromText(std::string_view text, long long low, long long high,
                                         bool allowPlus = false);
