#pragma once

// A long import read on every core. The input is cut, at places only its format knows,
// into chunks of about half a megabyte; each chunk is made a document of its own (the
// input's head, such as a CSV header, before it, and what closes the document after it)
// and read on a helper thread by the format's usual reader into .2do records, which are
// added to the list in order. Where a chunk does not read cleanly (an error, a warning,
// anything a chunk on its own could read otherwise than the whole input would) the import
// in chunks gives up: the caller reads the input again from its start with the reader
// that names the fault.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "calendar/line_reader.h"  // TReadBytes
#include "model/todo_file.h"

class TChunkLayout {
public:
    static constexpr std::size_t kNone = std::size_t(-1);

    virtual ~TChunkLayout() = default;
    // The length of the head of the input, which every chunk's document starts with;
    // kNone when the input is not laid out for chunks (half a megabyte is given, or all of
    // the input).
    virtual std::size_t Head(std::string_view start) = 0;
    // The last place in the bytes after a cut (or the head) where a chunk may end and the
    // next begin, kNone if there is none; never 0.
    virtual std::size_t LastCut(std::string_view bytes) const = 0;
    // The document of a chunk: the head, the chunk and what closes it when it is not the
    // input's last; false when the chunk cannot be read on its own.
    virtual bool Document(std::string_view head, std::string_view chunk, bool last,
                          std::string& into) const = 0;
};

// Reads a chunk's document, its head `head` bytes long, handing each item over; false
// (or any exception) when it is not read cleanly. Each thread makes its own.
using TReadChunk = std::function<bool(std::string_view document, std::size_t head,
                                      const std::function<void(TTodoItem& item)>& onItem)>;
using TMakeReadChunk = std::function<TReadChunk()>;

// How many threads should read an input of `size` bytes in chunks: none for a short one
// (read as usual then) or a single core.
int ChunkHelpers(std::uint64_t size);

// Adds the items of the input to `list`; false when it gave up, with some added.
bool ImportInChunks(TReadBytes read, TChunkLayout& layout, const TMakeReadChunk& makeReadChunk,
                    int helpers, TTodoFileWriter& list);
