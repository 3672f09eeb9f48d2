#include "calendar/vtodo_mapping.h"

#include <QByteArray>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "calendar/calendar_error.h"
#include "calendar/calendar_time.h"
#include "calendar/line_writer.h"
#include "calendar/utf8_text.h"
#include "model/date_time.h"

namespace {

// The X-PELLMARK names in the order of the fields' bits.
constexpr std::array<std::string_view, TodoFieldCount> kOverrideNames = {
    "X-PELLMARK-COMPLETE",     "X-PELLMARK-COMPLETION", "X-PELLMARK-COMPLETIONDATE",
    "X-PELLMARK-CREATIONDATE", "X-PELLMARK-DUEDATE",    "X-PELLMARK-IMAGEINDEX",
    "X-PELLMARK-NOTES",        "X-PELLMARK-PRIORITY",   "X-PELLMARK-RESOURCE",
    "X-PELLMARK-STATUS",       "X-PELLMARK-SUBJECT",    "X-PELLMARK-TAG",
    "X-PELLMARK-TOTALTIME",    "X-PELLMARK-PROJECT"};
constexpr std::string_view kOverridePrefix = "X-PELLMARK-";
constexpr std::string_view kBitsPrefix = "ieee754:";

int FieldIndex(TTodoField field) {
    return std::countr_zero(unsigned(field));
}

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool IsPlainAscii(std::string_view bytes, bool lineBreaks) {
    for (const char c : bytes) {
        if ((c < 0x20 || c > 0x7E) && c != '\t' && !(lineBreaks && c == '\n')) {
            return false;
        }
    }
    return true;
}

// The text as calendar programs get it: UTF-8 from the system code page, control
// characters other than tabs (and line breaks where they separate notes lines) as blanks.
// Returns the bytes themselves when they need no change, otherwise `buffer`.
std::string_view CalendarText(std::string_view bytes, bool lineBreaks, std::string& buffer) {
    if (IsPlainAscii(bytes, lineBreaks)) {
        return bytes;
    }
    QString text = QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\t') &&
            !(lineBreaks && c == QLatin1Char('\n'))) {
            c = QLatin1Char(' ');
        }
    }
    const QByteArray utf8 = text.toUtf8();
    buffer.assign(utf8.constData(), std::size_t(utf8.size()));
    return buffer;
}

// Text an X-PELLMARK property can hold as TEXT: UTF-8 without control characters.
bool IsCleanText(std::string_view bytes, bool lineBreaks) {
    for (const char c : bytes) {
        if ((c >= 0 && c < 0x20 && !(lineBreaks && c == '\n')) || c == 0x7F) {
            return false;
        }
    }
    return FindInvalidUtf8(bytes) == std::string_view::npos;
}

// The notes lines joined by line breaks, as far as the last CR LF.
std::string JoinedNotes(const TTodoItem& item) {
    const std::string& text = item.Notes().Text();
    const std::size_t last = text.rfind("\r\n");
    std::string joined;
    if (last == std::string::npos) {
        return joined;
    }
    joined.reserve(last);
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos && at <= last;
         at = text.find("\r\n", start)) {
        if (start > 0) {
            joined += '\n';
        }
        joined.append(text, start, at - start);
        start = at + 2;
    }
    return joined;
}

// The notes text of lines separated by line breaks, each line followed by CR LF.
std::string NotesText(std::string_view lines) {
    std::string text;
    text.reserve(lines.size() + 16);
    std::size_t start = 0;
    for (std::size_t at = lines.find('\n');; at = lines.find('\n', start)) {
        text.append(lines.substr(start, at == std::string_view::npos ? at : at - start));
        text += "\r\n";
        if (at == std::string_view::npos) {
            return text;
        }
        start = at + 1;
    }
}

void AppendInteger(std::string& out, long long value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void AppendExactDate(std::string& out, double value) {
    char text[40];
    if (std::isfinite(value)) {
        const auto result = std::to_chars(text, text + sizeof text, value);
        out.append(text, result.ptr);
        return;
    }
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
    out += kBitsPrefix;
    out += text;
}

int CalendarPriority(TTodoPriority priority) {
    switch (priority) {
        case tpHighest:
            return 1;
        case tpHigh:
            return 3;
        case tpNormal:
            return 5;
        case tpLow:
            return 7;
        case tpLowest:
            return 9;
    }
    return 0;  // not written
}

TTodoPriority PriorityOf(int calendarPriority) {
    static constexpr std::array<TTodoPriority, 10> kPriorities = {
        tpNormal, tpHighest, tpHighest, tpHigh, tpHigh, tpNormal, tpLow, tpLow, tpLowest, tpLowest};
    return kPriorities[std::size_t(calendarPriority)];
}

TVTodoStatus CalendarStatus(const TTodoItem& item) {
    if (item.Complete() || item.Status() == tsCompleted) {
        return TVTodoStatus::Completed;
    }
    return item.Status() == tsInProgress ? TVTodoStatus::InProcess : TVTodoStatus::NeedsAction;
}

std::string_view StatusText(TVTodoStatus status) {
    switch (status) {
        case TVTodoStatus::Completed:
            return "COMPLETED";
        case TVTodoStatus::InProcess:
            return "IN-PROCESS";
        case TVTodoStatus::Cancelled:
            return "CANCELLED";
        default:
            return "NEEDS-ACTION";
    }
}

TTodoStatus StatusOf(TVTodoStatus status) {
    switch (status) {
        case TVTodoStatus::Completed:
            return tsCompleted;
        case TVTodoStatus::InProcess:
            return tsInProgress;
        case TVTodoStatus::Cancelled:
            return tsDeferred;
        default:
            return tsNotStarted;
    }
}

// Writes the properties and works out, as it goes, which fields would not read back.
class TPropertyWriter {
public:
    TPropertyWriter(std::string& out, const TTodoItem& item, TLocalTime& local)
        : out_(out), item_(item), local_(local) {}

    // The standard properties of `fields`; Needed() then holds the fields that need an
    // X-PELLMARK property (only right when `fields` is all of them).
    void Standard(TTodoFields fields) {
        const TTodoItem& item = item_;
        if (fields & tfSubject) {
            Text("SUMMARY", item.Subject(), false, tfSubject, true);
        }
        if (fields & tfNotes) {
            if (!item.Notes().IsEmpty()) {
                const std::string joined = JoinedNotes(item);
                const std::string_view written = CalendarText(joined, true, buffer_);
                line_.assign("DESCRIPTION:");
                AppendEscapedText(line_, written);
                AppendFoldedLine(out_, line_);
                if (NotesText(written) != item.Notes().Text()) {
                    needed_ |= tfNotes;
                }
            }
        }
        if (fields & tfPriority) {
            if (const int priority = CalendarPriority(item.Priority())) {
                line_.assign("PRIORITY:");
                AppendInteger(line_, priority);
                AppendFoldedLine(out_, line_);
            } else {
                needed_ |= tfPriority;
            }
        }
        const TVTodoStatus status = CalendarStatus(item);
        if (fields & (tfComplete | tfStatus)) {
            line_.assign("STATUS:");
            line_ += StatusText(status);
            AppendFoldedLine(out_, line_);
        }
        const int percent = item.Complete() ? 100 : std::min<int>(item.Completion(), 100);
        if (fields & (tfComplete | tfCompletion)) {
            line_.assign("PERCENT-COMPLETE:");
            AppendInteger(line_, percent);
            AppendFoldedLine(out_, line_);
        }
        if (fields & tfCreationDate) {
            UtcDate("CREATED", item.CreationDate(), tfCreationDate);
        }
        if (fields & tfDueDate) {
            TCivilTime local;
            std::int64_t seconds;
            double derived = 0.0;
            if (item.DueDate() != 0.0 && local_.Resolve(item.DueDate(), local, seconds)) {
                line_.assign("DUE:");
                AppendDateTime(line_, local, false);
                AppendFoldedLine(out_, line_);
                derived = EncodeDateTime(QDate(local.Year, local.Month, local.Day),
                                         QTime(local.Hour, local.Minute, local.Second));
            }
            Compare(SameBits(derived, item.DueDate()), tfDueDate);
        }
        if (fields & tfCompletionDate) {
            completedWritten_ = UtcDate("COMPLETED", item.CompletionDate(), tfCompletionDate);
        }
        if (fields & tfProject) {
            Text("CATEGORIES", item.Project(), false, tfProject, true);
        }

        const bool complete = status == TVTodoStatus::Completed || completedWritten_;
        Compare(complete == item.Complete(), tfComplete);
        Compare(StatusOf(status) == item.Status(), tfStatus);
        Compare(percent == item.Completion(), tfCompletion);
        Compare(item.Resource().empty(), tfResource);
        Compare(item.ImageIndex() == -1, tfImageIndex);
        Compare(item.Tag() == 0, tfTag);
        Compare(item.TotalTime() == 0, tfTotalTime);
    }

    TTodoFields Needed() const { return needed_; }

    void Override(TTodoField field) {
        const TTodoItem& item = item_;
        line_.assign(kOverrideNames[std::size_t(FieldIndex(field))]);
        switch (field) {
            case tfComplete:
                line_ += item.Complete() ? ":TRUE" : ":FALSE";
                break;
            case tfCompletion:
                Number(item.Completion());
                break;
            case tfCompletionDate:
                line_ += ':';
                AppendExactDate(line_, item.CompletionDate());
                break;
            case tfCreationDate:
                line_ += ':';
                AppendExactDate(line_, item.CreationDate());
                break;
            case tfDueDate:
                line_ += ':';
                AppendExactDate(line_, item.DueDate());
                break;
            case tfImageIndex:
                Number(item.ImageIndex());
                break;
            case tfNotes:
                OverrideText(JoinedNotes(item), true);
                break;
            case tfPriority:
                Number(item.Priority());
                break;
            case tfResource:
                OverrideText(item.Resource(), false);
                break;
            case tfStatus:
                Number(item.Status());
                break;
            case tfSubject:
                OverrideText(item.Subject(), false);
                break;
            case tfTag:
                Number(item.Tag());
                break;
            case tfTotalTime:
                Number(item.TotalTime());
                break;
            case tfProject:
                OverrideText(item.Project(), false);
                break;
        }
        AppendFoldedLine(out_, line_);
    }

private:
    void Compare(bool same, TTodoField field) {
        if (!same) {
            needed_ |= field;
        }
    }

    // A text property, when the text is not empty.
    void Text(std::string_view name, const std::string& bytes, bool lineBreaks, TTodoField field,
              bool skipEmpty) {
        if (skipEmpty && bytes.empty()) {
            return;
        }
        const std::string_view written = CalendarText(bytes, lineBreaks, buffer_);
        line_.assign(name);
        line_ += ':';
        AppendEscapedText(line_, written);
        AppendFoldedLine(out_, line_);
        Compare(written == bytes, field);
    }

    // A date in UTC; true when it was written.
    bool UtcDate(std::string_view name, TDateTime value, TTodoField field) {
        TCivilTime local;
        std::int64_t seconds;
        double derived = 0.0;
        // A date whose UTC year has five digits has no iCalendar form.
        const bool written = value != 0.0 && local_.Resolve(value, local, seconds) &&
                             CivilFromSeconds(seconds).Year <= 9999;
        if (written) {
            line_.assign(name);
            line_ += ':';
            AppendDateTime(line_, CivilFromSeconds(seconds), true);
            AppendFoldedLine(out_, line_);
            derived = local_.FromUtcSeconds(seconds);
        }
        Compare(SameBits(derived, value), field);
        return written;
    }

    void Number(long long value) {
        line_ += ':';
        AppendInteger(line_, value);
    }

    void OverrideText(std::string_view bytes, bool lineBreaks) {
        if (IsCleanText(bytes, lineBreaks)) {
            line_ += ':';
            AppendEscapedText(line_, bytes);
            return;
        }
        const QByteArray base64 =
            QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())).toBase64();
        line_ += ";ENCODING=BASE64:";
        line_.append(base64.constData(), std::size_t(base64.size()));
    }

    std::string& out_;
    const TTodoItem& item_;
    TLocalTime& local_;
    std::string line_;
    std::string buffer_;
    TTodoFields needed_ = 0;
    bool completedWritten_ = false;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'a' && a[i] <= 'z' ? char(a[i] - 'a' + 'A') : a[i];
        const char y = b[i] >= 'a' && b[i] <= 'z' ? char(b[i] - 'a' + 'A') : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::optional<long long> Integer(std::string_view text, long long low, long long high) {
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ExactDate(std::string_view text) {
    if (text.substr(0, kBitsPrefix.size()) == kBitsPrefix) {
        const std::string_view hex = text.substr(kBitsPrefix.size());
        std::uint64_t bits = 0;
        const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), bits, 16);
        if (hex.size() != 16 || error != std::errc() || end != hex.data() + hex.size()) {
            return std::nullopt;
        }
        return std::bit_cast<double>(bits);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

[[noreturn]] void Fail(const TContentLine& line, int item, const QString& what) {
    throw ECalendarError(
        QStringLiteral("line %1 (item %2), property %3: %4")
            .arg(line.Number)
            .arg(item)
            .arg(QString::fromUtf8(line.Name.data(), qsizetype(line.Name.size())), what));
}

QString Quoted(std::string_view value) {
    constexpr std::size_t kShown = 40;
    QString text = QString::fromUtf8(value.data(), qsizetype(std::min(value.size(), kShown)));
    return QLatin1Char('"') + text +
           (value.size() > kShown ? QStringLiteral("...\"") : QStringLiteral("\""));
}

}  // namespace

// Item to VTODO -----------------------------------------------------------------------

void AppendVTodo(std::string& out, const TTodoItem& item, std::string_view uid,
                 std::string_view stamp, TLocalTime& local) {
    out += "BEGIN:VTODO\r\n";
    std::string line = "UID:";
    AppendEscapedText(line, uid);
    AppendFoldedLine(out, line);
    line.assign("DTSTAMP:");
    line += stamp;
    AppendFoldedLine(out, line);
    AppendVTodoProperties(out, item, local);
    out += "END:VTODO\r\n";
}

std::string StampText(const QDateTime& moment) {
    std::string text;
    AppendDateTime(text, CivilFromSeconds(moment.toSecsSinceEpoch()), true);
    return text;
}

void AppendCalendarBegin(std::string& out, std::string_view prodid) {
    out += "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    std::string line = "PRODID:";
    AppendEscapedText(line, prodid);
    AppendFoldedLine(out, line);
}

void AppendCalendarEnd(std::string& out) {
    out += "END:VCALENDAR\r\n";
}

void AppendVTodoProperties(std::string& out, const TTodoItem& item, TLocalTime& local) {
    TPropertyWriter writer(out, item, local);
    writer.Standard(AllTodoFields);
    const TTodoFields needed = writer.Needed();
    for (int i = 0; i < TodoFieldCount; ++i) {
        if (needed & (1 << i)) {
            writer.Override(TTodoField(1 << i));
        }
    }
}

void AppendStandardProperties(std::string& out, const TTodoItem& item, TTodoFields fields,
                              TLocalTime& local) {
    TPropertyWriter(out, item, local).Standard(fields);
}

void AppendOverride(std::string& out, const TTodoItem& item, TTodoField field) {
    TLocalTime unused;
    TPropertyWriter(out, item, unused).Override(field);
}

std::vector<std::string_view> PropertyNames(TTodoField field) {
    std::vector<std::string_view> names;
    switch (field) {
        case tfComplete:
            names = {"STATUS", "PERCENT-COMPLETE"};
            break;
        case tfCompletion:
            names = {"PERCENT-COMPLETE"};
            break;
        case tfCompletionDate:
            names = {"COMPLETED"};
            break;
        case tfCreationDate:
            names = {"CREATED"};
            break;
        case tfDueDate:
            names = {"DUE", "DURATION"};
            break;
        case tfNotes:
            names = {"DESCRIPTION"};
            break;
        case tfPriority:
            names = {"PRIORITY"};
            break;
        case tfStatus:
            names = {"STATUS"};
            break;
        case tfSubject:
            names = {"SUMMARY"};
            break;
        case tfProject:
            names = {"CATEGORIES"};
            break;
        default:
            break;
    }
    names.push_back(kOverrideNames[std::size_t(FieldIndex(field))]);
    return names;
}

// VTODO to item -----------------------------------------------------------------------

TVTodoPropertyReader::TVTodoPropertyReader(TTimeZones& zones, TLocalTime& local,
                                           TCalendarWarning warn)
    : zones_(zones), local_(local), warn_(std::move(warn)) {}

void TVTodoPropertyReader::Read(const TContentLine& line, int item, TVTodoValues& values) {
    const std::string_view name = line.Name;
    if (name == "SUMMARY") {
        UnescapeText(line.Value, text_);
        values.Summary = text_;
    } else if (name == "DESCRIPTION") {
        UnescapeText(line.Value, text_);
        values.Description = text_;
    } else if (name == "CATEGORIES") {
        std::string joined = values.Categories.value_or(std::string());
        for (const std::string& category : SplitTextList(line.Value)) {
            if (!joined.empty()) {
                joined += ", ";
            }
            joined += category;
        }
        values.Categories = std::move(joined);
    } else if (name == "PRIORITY") {
        const auto priority = Integer(line.Value, 0, 9);
        if (!priority) {
            Fail(line, item,
                 Quoted(line.Value) + QStringLiteral(" is not a whole number from 0 to 9"));
        }
        values.Priority = int(*priority);
    } else if (name == "PERCENT-COMPLETE") {
        const auto percent = Integer(line.Value, 0, 100);
        if (!percent) {
            Fail(line, item,
                 Quoted(line.Value) + QStringLiteral(" is not a whole number from 0 to 100"));
        }
        values.Percent = int(*percent);
    } else if (name == "STATUS") {
        static constexpr std::array<TVTodoStatus, 4> kStates = {
            TVTodoStatus::NeedsAction, TVTodoStatus::InProcess, TVTodoStatus::Completed,
            TVTodoStatus::Cancelled};
        values.Status = TVTodoStatus::None;
        for (const TVTodoStatus status : kStates) {
            if (EqualsIgnoringCase(line.Value, StatusText(status))) {
                values.Status = status;
            }
        }
        if (values.Status == TVTodoStatus::None && warn_) {
            warn_(QStringLiteral("line %1: item %2 has the unknown STATUS %3, taken as "
                                 "NEEDS-ACTION")
                      .arg(line.Number)
                      .arg(item)
                      .arg(Quoted(line.Value)));
        }
    } else if (name == "CREATED") {
        values.Created = Date(line, item);
    } else if (name == "DUE") {
        values.Due = Date(line, item);
    } else if (name == "COMPLETED") {
        values.Completed = Date(line, item);
    } else if (name == "RRULE" || name == "RDATE") {
        if (warn_) {
            warn_(QStringLiteral("line %1: skipped the %2 of item %3: Pellmark items do not "
                                 "repeat")
                      .arg(line.Number)
                      .arg(QLatin1String(name))
                      .arg(item));
        }
    } else if (name.substr(0, kOverridePrefix.size()) == kOverridePrefix) {
        Override(line, item, values);
    }
}

TDateTime TVTodoPropertyReader::Date(const TContentLine& line, int item) {
    const std::string_view* kind = line.Parameter("VALUE");
    // A bare 8-digit value is a DATE even without VALUE=DATE, as some programs write it.
    const bool isDate = kind ? EqualsIgnoringCase(*kind, "DATE") : line.Value.size() == 8;
    const auto time = ParseCalendarTime(line.Value, isDate);
    if (!time) {
        Fail(line, item,
             Quoted(line.Value) + (isDate ? QStringLiteral(" is not a date such as 20240501")
                                          : QStringLiteral(" is not a date-time such as "
                                                           "20240501T093000 or "
                                                           "20240501T073000Z")));
    }
    const TCivilTime& t = time->Time;
    if (isDate) {
        return QDateToDateTime(QDate(t.Year, t.Month, t.Day));
    }
    if (time->Utc) {
        return local_.FromUtcSeconds(SecondsFromCivil(t));
    }
    if (const std::string_view* tzid = line.Parameter("TZID")) {
        std::int64_t seconds;
        if (zones_.ToUtcSeconds(*tzid, t, seconds)) {
            return local_.FromUtcSeconds(seconds);
        }
        if (unknownZones_.insert(std::string(*tzid)).second && warn_) {
            warn_(QStringLiteral("line %1: unknown time zone %2: its times are taken as local "
                                 "times")
                      .arg(line.Number)
                      .arg(Quoted(*tzid)));
        }
    }
    return EncodeDateTime(QDate(t.Year, t.Month, t.Day), QTime(t.Hour, t.Minute, t.Second));
}

void TVTodoPropertyReader::Override(const TContentLine& line, int item, TVTodoValues& values) {
    int index = -1;
    for (std::size_t i = 0; i < kOverrideNames.size(); ++i) {
        if (line.Name == kOverrideNames[i]) {
            index = int(i);
        }
    }
    if (index < 0) {
        return;  // a field of a later version
    }
    const auto field = TTodoField(1 << index);
    TTodoItem& to = values.Overrides;
    const std::string_view value = line.Value;
    constexpr long long kIntMin = std::numeric_limits<std::int32_t>::min();
    constexpr long long kIntMax = std::numeric_limits<std::int32_t>::max();
    const auto integer = [&](long long low, long long high) {
        const auto number = Integer(value, low, high);
        if (!number) {
            Fail(line, item,
                 Quoted(value) +
                     QStringLiteral(" is not a whole number from %1 to %2").arg(low).arg(high));
        }
        return *number;
    };
    const auto date = [&]() {
        const auto exact = ExactDate(value);
        if (!exact) {
            Fail(line, item,
                 Quoted(value) + QStringLiteral(" is not a day number such as 45413.5"));
        }
        return *exact;
    };
    const auto text = [&]() -> const std::string& {
        const std::string_view* encoding = line.Parameter("ENCODING");
        if (!encoding || EqualsIgnoringCase(*encoding, "8BIT")) {
            UnescapeText(value, text_);
            return text_;
        }
        const auto decoded = QByteArray::fromBase64Encoding(
            QByteArray::fromRawData(value.data(), qsizetype(value.size())),
            QByteArray::AbortOnBase64DecodingErrors);
        if (!EqualsIgnoringCase(*encoding, "BASE64") || !decoded) {
            Fail(line, item, QStringLiteral("expected base64 bytes with ENCODING=BASE64"));
        }
        text_.assign(decoded.decoded.constData(), std::size_t(decoded.decoded.size()));
        return text_;
    };
    switch (field) {
        case tfComplete:
            if (EqualsIgnoringCase(value, "TRUE") || EqualsIgnoringCase(value, "FALSE")) {
                to.SetComplete(EqualsIgnoringCase(value, "TRUE"));
            } else {
                Fail(line, item, Quoted(value) + QStringLiteral(" is not TRUE or FALSE"));
            }
            break;
        case tfCompletion:
            to.SetCompletion(TCompletion(integer(0, 255)));
            break;
        case tfCompletionDate:
            to.SetCompletionDate(date());
            break;
        case tfCreationDate:
            to.SetCreationDate(date());
            break;
        case tfDueDate:
            to.SetDueDate(date());
            break;
        case tfImageIndex:
            to.SetImageIndex(std::int32_t(integer(kIntMin, kIntMax)));
            break;
        case tfNotes:
            to.Notes().SetText(NotesText(text()));
            break;
        case tfPriority:
            to.SetPriority(TTodoPriority(integer(0, 255)));
            break;
        case tfResource:
            to.SetResource(text());
            break;
        case tfStatus:
            to.SetStatus(TTodoStatus(integer(0, 255)));
            break;
        case tfSubject:
            to.SetSubject(text());
            break;
        case tfTag:
            to.SetTag(std::int32_t(integer(kIntMin, kIntMax)));
            break;
        case tfTotalTime:
            to.SetTotalTime(std::int32_t(integer(kIntMin, kIntMax)));
            break;
        case tfProject:
            to.SetProject(text());
            break;
    }
    values.Overridden |= field;
}

void ItemFromValues(const TVTodoValues& values, TTodoItem& item, bool overrides) {
    if (values.Summary) {
        item.SetSubject(*values.Summary);
    }
    if (values.Description) {
        item.Notes().SetText(NotesText(*values.Description));
    }
    item.SetPriority(PriorityOf(values.Priority.value_or(0)));
    const bool complete = values.Status == TVTodoStatus::Completed || values.Completed;
    item.SetComplete(complete);
    item.SetStatus(StatusOf(values.Status));
    item.SetCompletion(TCompletion(values.Percent.value_or(complete ? 100 : 0)));
    if (values.Completed) {
        item.SetCompletionDate(*values.Completed);
    }
    if (values.Created) {
        item.SetCreationDate(*values.Created);
    }
    if (values.Due) {
        item.SetDueDate(*values.Due);
    }
    if (values.Categories) {
        item.SetProject(*values.Categories);
    }
    if (overrides) {
        CopyFields(values.Overrides, item, values.Overridden);
    }
}
