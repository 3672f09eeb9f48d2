#pragma once

// The entry points of the fuzz targets linked into the replay test, under their names.

#include <cstddef>
#include <cstdint>
#include <vector>

struct TFuzzEntry {
    const char* Name;
    int (*Run)(const std::uint8_t* data, std::size_t size);
};

const std::vector<TFuzzEntry>& FuzzEntries();
