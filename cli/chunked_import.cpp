#include "cli/chunked_import.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

#include "cli/ordered_batches.h"

namespace {

constexpr std::size_t kChunk = 256 * 1024;
// A chunk that cannot be cut below this (one huge item) is left to the usual reader.
constexpr std::size_t kMaxChunk = 16 * kChunk;

struct TChunk {
    std::string document;
    std::size_t head = 0;
    bool read = false;
    QByteArray records;
    int count = 0;
};

// A chunk that did not read cleanly, raised where its turn comes.
struct TGiveUp {};

}  // namespace

int ChunkHelpers(std::uint64_t size) {
    const int cores = int(std::min(std::thread::hardware_concurrency(), 4u));
    return size < 4 * kChunk || cores < 2 ? 0 : cores;
}

bool ImportInChunks(TReadBytes read, TChunkLayout& layout, const TMakeReadChunk& makeReadChunk,
                    int helpers, TTodoFileWriter& list) {
    std::string data;
    std::size_t begin = 0;  // of the bytes not yet in a chunk
    bool atEnd = false;
    const auto more = [&] {
        if (begin > kChunk) {
            data.erase(0, begin);
            begin = 0;
        }
        const std::size_t at = data.size();
        data.resize(at + kChunk);
        const std::size_t n = read(data.data() + at, kChunk);
        data.resize(at + n);
        atEnd = n == 0;
    };
    std::size_t head = TChunkLayout::kNone;
    while (!atEnd && data.size() < kChunk) {
        more();
    }
    head = layout.Head(data);
    if (head == TChunkLayout::kNone) {
        return false;
    }
    const std::string headBytes = data.substr(0, head);
    begin = head;

    TOrderedBatches<TChunk> chunks(
        helpers,
        [&makeReadChunk]() -> TOrderedBatches<TChunk>::TWork {
            return [readChunk = makeReadChunk()](TChunk& chunk) {
                chunk.records.clear();
                chunk.count = 0;
                try {
                    chunk.read = readChunk(chunk.document, chunk.head, [&chunk](TTodoItem& item) {
                        AppendItemRecord(chunk.records, item, chunk.count++);
                    });
                } catch (...) {
                    chunk.read = false;
                }
            };
        },
        [&list](TChunk& chunk) {
            if (!chunk.read) {
                throw TGiveUp();
            }
            list.AddRecords(chunk.records.constData(), std::size_t(chunk.records.size()),
                            chunk.count);
        });
    try {
        const auto submit = [&](std::string_view bytes, bool last) {
            TChunk& chunk = chunks.Next();
            chunk.head = headBytes.size();
            if (!layout.Document(headBytes, bytes, last, chunk.document)) {
                throw TGiveUp();
            }
            chunks.Submit();
        };
        for (;;) {
            if (data.size() - begin < kChunk && !atEnd) {
                more();
                continue;
            }
            if (atEnd) {
                submit(std::string_view(data).substr(begin), true);
                break;
            }
            const std::string_view rest = std::string_view(data).substr(begin);
            const std::size_t cut = layout.LastCut(rest);
            if (cut == TChunkLayout::kNone) {
                if (rest.size() > kMaxChunk) {
                    return false;
                }
                more();
                continue;
            }
            submit(rest.substr(0, cut), false);
            begin += cut;
        }
        chunks.Finish();
    } catch (const TGiveUp&) {
        return false;
    }
    return true;
}
