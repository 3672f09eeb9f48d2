#pragma once

// The value types every part of Pellmark shares: the enumerations whose ordinals are
// part of the .2do format, dates, colours and plain font values.

#include <QString>
#include <cstdint>

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// A percentage, 0..100 by convention; files may carry other byte values.
using TCompletion = std::uint8_t;

// What a column shows. The ordinals are stored in the column layout file.
enum TTodoData : std::uint8_t {
    tdSubject = 0,
    tdCompletion = 1,
    tdNotes = 2,
    tdPriority = 3,
    tdDueDate = 4,
    tdStatus = 5,
    tdImage = 6,
    tdComplete = 7,
    tdTotalTime = 8,
    tdCompletionDate = 9,
    tdCreationDate = 10,
    tdResource = 11,
    tdHandle = 12,
    tdProject = 13,
};
inline constexpr int TodoDataCount = 14;

// The kinds whose values are texts (the notes as all their lines).
constexpr bool IsTextKind(TTodoData kind) {
    return kind == tdSubject || kind == tdResource || kind == tdProject || kind == tdNotes;
}

enum TTodoPriority : std::uint8_t {
    tpLowest = 0,
    tpLow = 1,
    tpNormal = 2,
    tpHigh = 3,
    tpHighest = 4,
};
inline constexpr int TodoPriorityCount = 5;

// Completed comes before In progress: every table indexed by status follows this order.
enum TTodoStatus : std::uint8_t {
    tsNotStarted = 0,
    tsCompleted = 1,
    tsInProgress = 2,
    tsDeferred = 3,
};
inline constexpr int TodoStatusCount = 4;

enum TSortDirection : std::uint8_t { sdAscending = 0, sdDescending = 1 };

enum TAlignment : std::uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// Enumeration value names as the program spells them ("tdSubject", "tpNormal"), and the
// reverse lookups; the reverse ones return false for an unknown name.
const char* TodoDataName(TTodoData value);  // nullptr when out of range
const char* TodoPriorityName(TTodoPriority value);
const char* TodoStatusName(TTodoStatus value);
bool TodoDataFromName(const QString& name, TTodoData& value);
bool TodoPriorityFromName(const QString& name, TTodoPriority& value);
bool TodoStatusFromName(const QString& name, TTodoStatus& value);

// The caption of a column of a kind, as the window names its columns ("Done", "Create
// Date"); "" out of range.
inline constexpr const char* kTodoDataCaptions[TodoDataCount] = {
    "Subject", "Completion", "Notes",           "Priority",    "Due Date", "Status", "Image",
    "Done",    "Total Time", "Completion Date", "Create Date", "Resource", "Handle", "Project"};
constexpr const char* TodoDataCaption(TTodoData kind) {
    return kind < TodoDataCount ? kTodoDataCaptions[kind] : "";
}

// Colours: low three bytes red, green, blue from the lowest byte up; the high bit marks a
// system colour that is resolved against the palette when painting.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clScrollBar = 0x80000000;
inline constexpr TColor clBackground = 0x80000001;
inline constexpr TColor clActiveCaption = 0x80000002;
inline constexpr TColor clInactiveCaption = 0x80000003;
inline constexpr TColor clMenu = 0x80000004;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowFrame = 0x80000006;
inline constexpr TColor clMenuText = 0x80000007;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clCaptionText = 0x80000009;
inline constexpr TColor clActiveBorder = 0x8000000A;
inline constexpr TColor clInactiveBorder = 0x8000000B;
inline constexpr TColor clAppWorkSpace = 0x8000000C;
inline constexpr TColor clHighlight = 0x8000000D;
inline constexpr TColor clHighlightText = 0x8000000E;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clGrayText = 0x80000011;
inline constexpr TColor clBtnText = 0x80000012;
inline constexpr TColor clInactiveCaptionText = 0x80000013;
inline constexpr TColor clBtnHighlight = 0x80000014;
inline constexpr TColor cl3DDkShadow = 0x80000015;
inline constexpr TColor cl3DLight = 0x80000016;
inline constexpr TColor clInfoText = 0x80000017;
inline constexpr TColor clInfoBk = 0x80000018;

inline constexpr bool IsSystemColor(TColor color) {
    return (color & clSystemColor) != 0;
}

enum TFontStyle : std::uint8_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};
using TFontStyles = std::uint8_t;

// A font as the model keeps it; widgets turn it into a QFont when they paint.
// An empty Name and zero sizes stand for the platform's default font.
struct TFont {
    QString Name;
    double PointSize = 0;  // used when PixelSize is 0
    int PixelSize = 0;     // character height in pixels, when not 0
    TFontStyles Style = 0;
    TColor Color = clWindowText;

    bool HasStyle(TFontStyle style) const { return (Style & style) != 0; }
    friend bool operator==(const TFont&, const TFont&) = default;
};
