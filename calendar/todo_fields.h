#pragma once

// The fourteen fields of a to-do item as a set, for saying which fields a VTODO is to be
// changed in, and comparing items field by field.

#include <cstdint>

class TTodoItem;

// In the order of the .2do file's field tags.
enum TTodoField : std::uint16_t {
    tfComplete = 1 << 0,
    tfCompletion = 1 << 1,
    tfCompletionDate = 1 << 2,
    tfCreationDate = 1 << 3,
    tfDueDate = 1 << 4,
    tfImageIndex = 1 << 5,
    tfNotes = 1 << 6,
    tfPriority = 1 << 7,
    tfResource = 1 << 8,
    tfStatus = 1 << 9,
    tfSubject = 1 << 10,
    tfTag = 1 << 11,
    tfTotalTime = 1 << 12,
    tfProject = 1 << 13,
};
using TTodoFields = std::uint16_t;
inline constexpr int TodoFieldCount = 14;
inline constexpr TTodoFields AllTodoFields = (1 << TodoFieldCount) - 1;

// The fields whose values differ: texts byte by byte, dates bit by bit (so -0.0 differs
// from 0.0 and a NaN equals only the same NaN), as the .2do file would store them.
TTodoFields DifferingFields(const TTodoItem& a, const TTodoItem& b);
// Sets those fields of `to` to the values of `from`.
void CopyFields(const TTodoItem& from, TTodoItem& to, TTodoFields fields);
