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
#include "model/integer_text.h"

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

// How a byte of a text stands in a TEXT value, for texts of plain ASCII: as it is, escaped,
// the CR of a CR LF between notes lines, or not plain (the text then takes the slow way).
enum TByteKind : unsigned char { bkAsIs, bkEscaped, bkCr, bkNotPlain };

constexpr std::array<TByteKind, 256> ByteKinds(bool notes) {
    std::array<TByteKind, 256> kinds{};
    for (std::size_t c = 0; c < kinds.size(); ++c) {
        kinds[c] = c < 0x20 || c > 0x7E ? bkNotPlain : bkAsIs;
    }
    kinds['\t'] = bkAsIs;
    kinds['\\'] = kinds[';'] = kinds[','] = bkEscaped;
    if (notes) {
        kinds['\r'] = bkCr;
    }
    return kinds;
}
constexpr std::array<TByteKind, 256> kTextKinds = ByteKinds(false);
constexpr std::array<TByteKind, 256> kNotesKinds = ByteKinds(true);

// Appends a text of plain ASCII (tabs allowed) escaped, the common case that needs no
// conversion; false, with nothing appended, for any other text. For `notes`, the text is
// lines each followed by CR LF, and the CR LFs between them become line breaks.
bool AppendPlainText(std::string& out, std::string_view text, bool notes) {
    if (notes) {
        if (!text.ends_with("\r\n")) {
            return false;
        }
        text.remove_suffix(2);
    }
    const std::array<TByteKind, 256>& kinds = notes ? kNotesKinds : kTextKinds;
    const std::size_t mark = out.size();
    std::size_t start = 0;
    for (std::size_t i = PlainTextLength(text); i < text.size();) {
        const TByteKind kind = kinds[static_cast<unsigned char>(text[i])];
        if (kind == bkAsIs) {
            ++i;
            continue;
        }
        if (kind == bkNotPlain || (kind == bkCr && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            out.resize(mark);
            return false;
        }
        out.append(text.substr(start, i - start));
        out += '\\';
        out += kind == bkCr ? 'n' : text[i];
        i += kind == bkCr ? 2 : 1;
        start = i;
        i += PlainTextLength(text.substr(i));
    }
    out.append(text.substr(start));
    return true;
}

// The text as calendar programs get it: UTF-8 from the system code page, control
// characters other than tabs (and line breaks where they separate notes lines) as blanks.
std::string CalendarText(std::string_view bytes, bool lineBreaks) {
    QString text = QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\t') &&
            !(lineBreaks && c == QLatin1Char('\n'))) {
            c = QLatin1Char(' ');
        }
    }
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
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

// Writes the properties and works out, as it goes, which fields would not read back. Each
// line is written in place and folded when it is long.
class TPropertyWriter {
public:
    // `local` may be null for writing X-PELLMARK properties only.
    TPropertyWriter(std::string& out, const TTodoItem& item, TLocalTime* local)
        : out_(out), item_(item), local_(local) {}

    // The standard properties of `fields`; Needed() then holds the fields that need an
    // X-PELLMARK property (only right when `fields` is all of them).
    void Standard(TTodoFields fields) {
        const TTodoItem& item = item_;
        if (fields & tfSubject) {
            Text("SUMMARY:", item.Subject(), tfSubject);
        }
        if ((fields & tfNotes) && !item.Notes().IsEmpty()) {
            Notes();
        }
        if (fields & tfPriority) {
            if (const int priority = CalendarPriority(item.Priority())) {
                Begin("PRIORITY:");
                AppendInteger(out_, priority);
                End();
            } else {
                needed_ |= tfPriority;
            }
        }
        const TVTodoStatus status = CalendarStatus(item);
        if (fields & (tfComplete | tfStatus)) {
            Begin("STATUS:");
            out_ += StatusText(status);
            End();
        }
        const int percent = item.Complete() ? 100 : std::min<int>(item.Completion(), 100);
        if (fields & (tfComplete | tfCompletion)) {
            Begin("PERCENT-COMPLETE:");
            AppendInteger(out_, percent);
            End();
        }
        if (fields & tfCreationDate) {
            UtcDate("CREATED:", item.CreationDate(), tfCreationDate);
        }
        if (fields & tfDueDate) {
            TResolvedTime time;
            double derived = 0.0;
            if (item.DueDate() != 0.0 && local_->Resolve(item.DueDate(), time)) {
                Begin("DUE:");
                AppendDateTime(out_, time.Local, false);
                End();
                derived = time.LocalSeconds;
            }
            Compare(SameBits(derived, item.DueDate()), tfDueDate);
        }
        bool completedWritten = false;
        if (fields & tfCompletionDate) {
            completedWritten = UtcDate("COMPLETED:", item.CompletionDate(), tfCompletionDate);
        }
        if (fields & tfProject) {
            Text("CATEGORIES:", item.Project(), tfProject);
        }

        const bool complete = status == TVTodoStatus::Completed || completedWritten;
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
        Begin(kOverrideNames[std::size_t(FieldIndex(field))]);
        switch (field) {
            case tfComplete:
                out_ += item.Complete() ? ":TRUE" : ":FALSE";
                break;
            case tfCompletion:
                Number(item.Completion());
                break;
            case tfCompletionDate:
                out_ += ':';
                AppendExactDate(out_, item.CompletionDate());
                break;
            case tfCreationDate:
                out_ += ':';
                AppendExactDate(out_, item.CreationDate());
                break;
            case tfDueDate:
                out_ += ':';
                AppendExactDate(out_, item.DueDate());
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
        End();
    }

private:
    void Begin(std::string_view name) {
        start_ = out_.size();
        out_ += name;
    }
    void End() { EndContentLine(out_, start_); }

    void Compare(bool same, TTodoField field) {
        if (!same) {
            needed_ |= field;
        }
    }

    // A text property, when the text is not empty.
    void Text(std::string_view name, const std::string& bytes, TTodoField field) {
        if (bytes.empty()) {
            return;
        }
        Begin(name);
        if (!AppendPlainText(out_, bytes, false)) {
            const std::string written = CalendarText(bytes, false);
            AppendEscapedText(out_, written);
            Compare(written == bytes, field);
        }
        End();
    }

    // The notes lines joined by line breaks; a notes text that the import would not give
    // back (a line with other than plain ASCII, say) needs X-PELLMARK-NOTES.
    void Notes() {
        const std::string& text = item_.Notes().Text();
        Begin("DESCRIPTION:");
        if (!AppendPlainText(out_, text, true)) {
            const std::string written = CalendarText(JoinedNotes(item_), true);
            AppendEscapedText(out_, written);
            Compare(NotesText(written) == text, tfNotes);
        }
        End();
    }

    // A date in UTC; true when it was written.
    bool UtcDate(std::string_view name, TDateTime value, TTodoField field) {
        TResolvedTime time;
        double derived = 0.0;
        // A date whose UTC year has five digits has no iCalendar form.
        bool written = value != 0.0 && local_->Resolve(value, time);
        TCivilTime utc;
        if (written) {
            // The local date is the UTC date unless the offset moves the time past midnight.
            const std::int64_t seconds = time.UtcSeconds - time.LocalDay * 86400;
            if (seconds >= 0 && seconds < 86400) {
                utc = {time.Local.Year,     time.Local.Month,       time.Local.Day,
                       int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60)};
            } else {
                utc = CivilFromSeconds(time.UtcSeconds);
            }
            written = utc.Year <= 9999;
        }
        if (written) {
            Begin(name);
            AppendDateTime(out_, utc, true);
            End();
            derived = local_->FromUtcSeconds(time.UtcSeconds);
        }
        Compare(SameBits(derived, value), field);
        return written;
    }

    void Number(long long value) {
        out_ += ':';
        AppendInteger(out_, value);
    }

    void OverrideText(std::string_view bytes, bool lineBreaks) {
        if (PlainTextLength(bytes) == bytes.size()) {
            out_ += ':';
            out_ += bytes;
            return;
        }
        if (IsCleanText(bytes, lineBreaks)) {
            out_ += ':';
            AppendEscapedText(out_, bytes);
            return;
        }
        const QByteArray base64 =
            QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())).toBase64();
        out_ += ";ENCODING=BASE64:";
        out_.append(base64.constData(), std::size_t(base64.size()));
    }

    std::string& out_;
    const TTodoItem& item_;
    TLocalTime* local_;
    std::size_t start_ = 0;
    TTodoFields needed_ = 0;
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

void AppendVTodo(std::string& out, std::string_view uid, std::string_view stamp,
                 std::string_view properties) {
    out += "BEGIN:VTODO\r\n";
    std::size_t start = out.size();
    out += "UID:";
    if (PlainTextLength(uid) == uid.size()) {
        out += uid;
    } else {
        AppendEscapedText(out, uid);
    }
    EndContentLine(out, start);
    start = out.size();
    out += "DTSTAMP:";
    out += stamp;
    EndContentLine(out, start);
    out += properties;
    out += "END:VTODO\r\n";
}

std::string StampText(const QDateTime& moment) {
    std::string text;
    AppendDateTime(text, CivilFromSeconds(moment.toSecsSinceEpoch()), true);
    return text;
}

void AppendCalendarBegin(std::string& out, std::string_view prodid) {
    out += "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    const std::size_t start = out.size();
    out += "PRODID:";
    AppendEscapedText(out, prodid);
    EndContentLine(out, start);
}

void AppendCalendarEnd(std::string& out) {
    out += "END:VCALENDAR\r\n";
}

void AppendVTodoProperties(std::string& out, const TTodoItem& item, TLocalTime& local) {
    TPropertyWriter writer(out, item, &local);
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
    TPropertyWriter(out, item, &local).Standard(fields);
}

void AppendOverride(std::string& out, const TTodoItem& item, TTodoField field) {
    TPropertyWriter(out, item, nullptr).Override(field);
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
    // By length first: most properties are one of these.
    switch (name.size()) {
        case 3:
            if (name == "DUE") {
                values.Item.SetDueDate(Date(line, item));
                return;
            }
            break;
        case 5:
            if (name == "RRULE" || name == "RDATE") {
                if (warn_) {
                    warn_(QStringLiteral("line %1: skipped the %2 of item %3: Pellmark items do "
                                         "not repeat")
                              .arg(line.Number)
                              .arg(QLatin1String(name))
                              .arg(item));
                }
                return;
            }
            break;
        case 6:
            if (name == "STATUS") {
                ReadStatus(line, item, values);
                return;
            }
            break;
        case 7:
            if (name == "SUMMARY") {
                values.Item.SetSubject(Unescaped(line.Value));
                return;
            }
            if (name == "CREATED") {
                values.Item.SetCreationDate(Date(line, item));
                return;
            }
            break;
        case 8:
            if (name == "PRIORITY") {
                const auto priority = IntegerFromText(line.Value, 0, 9, true);
                if (!priority) {
                    Fail(line, item,
                         Quoted(line.Value) + QStringLiteral(" is not a whole number from 0 to 9"));
                }
                values.Priority = int(*priority);
                return;
            }
            break;
        case 9:
            if (name == "COMPLETED") {
                values.Completed = Date(line, item);
                return;
            }
            break;
        case 10:
            if (name == "CATEGORIES") {
                // Mostly one category: the value as it stands.
                if (values.Item.Project().empty() &&
                    line.Value.find_first_of("\\,") == std::string_view::npos) {
                    values.Item.SetProject(std::string(line.Value));
                    return;
                }
                std::string project = values.Item.Project();
                for (const std::string& category : SplitTextList(line.Value)) {
                    project += project.empty() ? "" : ", ";
                    project += category;
                }
                values.Item.SetProject(std::move(project));
                return;
            }
            break;
        case 11:
            if (name == "DESCRIPTION") {
                UnescapeText(line.Value, text_, "\r\n");
                text_ += "\r\n";
                values.Item.Notes().SetText(text_);
                return;
            }
            break;
        case 16:
            if (name == "PERCENT-COMPLETE") {
                const auto percent = IntegerFromText(line.Value, 0, 100, true);
                if (!percent) {
                    Fail(line, item,
                         Quoted(line.Value) +
                             QStringLiteral(" is not a whole number from 0 to 100"));
                }
                values.Percent = int(*percent);
                return;
            }
            break;
        default:
            break;
    }
    if (name.starts_with(kOverridePrefix)) {
        Override(line, item, values);
    }
}

std::string TVTodoPropertyReader::Unescaped(std::string_view value) {
    UnescapeText(value, text_);
    return text_;
}

void TVTodoPropertyReader::ReadStatus(const TContentLine& line, int item, TVTodoValues& values) {
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
        const auto number = IntegerFromText(value, low, high, true);
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

void FinishItem(TVTodoValues& values, bool overrides) {
    TTodoItem& item = values.Item;
    item.SetPriority(PriorityOf(values.Priority.value_or(0)));
    const bool complete = values.Status == TVTodoStatus::Completed || values.Completed;
    item.SetComplete(complete);
    item.SetStatus(StatusOf(values.Status));
    item.SetCompletion(TCompletion(values.Percent.value_or(complete ? 100 : 0)));
    if (values.Completed) {
        item.SetCompletionDate(*values.Completed);
    }
    if (overrides) {
        CopyFields(values.Overrides, item, values.Overridden);
    }
}
