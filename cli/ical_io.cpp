#include "cli/ical_io.h"

#include <libical/ical.h>
#include <QCryptographicHash>
#include <QSet>
#include <bit>
#include <memory>

#include "model/date_time.h"

namespace {

struct ComponentDeleter {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

// Text for an iCalendar TEXT value: UTF-8 without control characters other than the line
// breaks that a description may hold (libical writes those as \n).
std::string CalendarText(const std::string& bytes, bool keepLineBreaks) {
    QString text = QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\t') &&
            !(keepLineBreaks && c == QLatin1Char('\n'))) {
            c = QLatin1Char(' ');
        }
    }
    return text.toUtf8().toStdString();
}

icaltimetype UtcTime(const QDateTime& moment) {
    return icaltime_from_timet_with_zone(time_t(moment.toSecsSinceEpoch()), 0,
                                         icaltimezone_get_utc_timezone());
}

// A date of the list as a calendar time, in UTC or floating; false for a date never set
// and for values that are no date.
bool CalendarTime(TDateTime value, bool utc, icaltimetype& time) {
    if (value == 0.0) {
        return false;
    }
    const QDateTime local = DateTimeToQDateTime(value);
    if (!local.isValid()) {
        return false;
    }
    if (utc) {
        time = UtcTime(local);
        return true;
    }
    time = icaltime_null_time();
    time.year = local.date().year();
    time.month = local.date().month();
    time.day = local.date().day();
    time.hour = local.time().hour();
    time.minute = local.time().minute();
    time.second = local.time().second();
    time.is_date = 0;
    return true;
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
    return 0;  // undefined
}

icalproperty_status CalendarStatus(const TTodoItem& item) {
    if (item.Complete() || item.Status() == tsCompleted) {
        return ICAL_STATUS_COMPLETED;
    }
    return item.Status() == tsInProgress ? ICAL_STATUS_INPROCESS : ICAL_STATUS_NEEDSACTION;
}

std::string Uid(const TTodoItem& item, QSet<QByteArray>& used) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const auto bits = std::bit_cast<std::uint64_t>(item.CreationDate());
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&bits), sizeof bits));
    hash.addData(QByteArrayView(item.Subject().data(), qsizetype(item.Subject().size())));
    QByteArray uid = hash.result().toHex().left(32);
    // Items with the same creation date and subject get a running number.
    for (int n = 2; used.contains(uid); ++n) {
        uid = hash.result().toHex().left(32) + '-' + QByteArray::number(n);
    }
    used.insert(uid);
    return (uid + "@pellmark").toStdString();
}

icalcomponent* MakeTodo(const TTodoItem& item, const QDateTime& stamp, QSet<QByteArray>& uids) {
    icalcomponent* todo = icalcomponent_new_vtodo();
    icalcomponent_add_property(todo, icalproperty_new_uid(Uid(item, uids).c_str()));
    icalcomponent_add_property(todo, icalproperty_new_dtstamp(UtcTime(stamp)));
    // An empty value is not allowed; a calendar shows a task without summary as untitled.
    if (!item.Subject().empty()) {
        icalcomponent_add_property(
            todo, icalproperty_new_summary(CalendarText(item.Subject(), false).c_str()));
    }
    if (!item.Notes().IsEmpty()) {
        std::string notes;
        for (int i = 0; i < item.Notes().Count(); ++i) {
            if (i > 0) {
                notes += '\n';
            }
            notes += item.Notes()[i];
        }
        icalcomponent_add_property(todo,
                                   icalproperty_new_description(CalendarText(notes, true).c_str()));
    }
    if (const int priority = CalendarPriority(item.Priority())) {
        icalcomponent_add_property(todo, icalproperty_new_priority(priority));
    }
    icalcomponent_add_property(todo, icalproperty_new_status(CalendarStatus(item)));
    const int percent = item.Complete() ? 100 : std::min<int>(item.Completion(), 100);
    icalcomponent_add_property(todo, icalproperty_new_percentcomplete(percent));
    icaltimetype time;
    if (CalendarTime(item.CreationDate(), true, time)) {
        icalcomponent_add_property(todo, icalproperty_new_created(time));
    }
    if (CalendarTime(item.DueDate(), false, time)) {
        icalcomponent_add_property(todo, icalproperty_new_due(time));
    }
    if (CalendarTime(item.CompletionDate(), true, time)) {
        icalcomponent_add_property(todo, icalproperty_new_completed(time));
    }
    return todo;
}

}  // namespace

QByteArray ItemsToICalendar(const TTodoItemCollection& items, const QDateTime& stamp) {
    // libical may be built to abort on errors; an export must never end the process.
    icalerror_set_errors_are_fatal(0);
    Component calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(),
                               icalproperty_new_prodid("-//Pellmark//pellmark-cli//EN"));
    QSet<QByteArray> uids;
    for (const TTodoItem* item : items) {
        icalcomponent_add_component(calendar.get(), MakeTodo(*item, stamp, uids));
    }
    char* text = icalcomponent_as_ical_string_r(calendar.get());
    QByteArray out(text);
    icalmemory_free_buffer(text);
    return out;
}
