#pragma once

// A VTODO as a CalDAV server keeps it: one calendar object (a VCALENDAR with its
// VTIMEZONEs and the VTODO), kept line by line, so that it can be sent back changed only
// where Pellmark changed it. Unknown properties, parameters, VALARMs and other components
// stay byte for byte, folding and line ends included.
//
//     TVTodo todo = TVTodo::Parse(textFromServer);
//     todo.ReadItem(item);                      // the item as the import makes it
//     ...                                       // the user edits the subject
//     todo.WriteFields(item, tfSubject);        // SUMMARY (and X-PELLMARK-SUBJECT) only
//     Put(todo.Text());
//
// DTSTAMP, LAST-MODIFIED and SEQUENCE are the caller's to update.

#include <QDateTime>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/todo_fields.h"
#include "calendar/vtodo_mapping.h"

class TVTodo {
public:
    // Reads a calendar object; its first VTODO is the one the item stands for. ECalendarError
    // for text that is not iCalendar or holds no VTODO.
    static TVTodo Parse(std::string_view text);
    // A new calendar object for an item, written as pellmark-cli exports it.
    static TVTodo FromItem(const TTodoItem& item, std::string_view uid, const QDateTime& stamp);

    // The calendar object's text: every line as it was read, but those WriteFields changed.
    std::string Text() const;
    // The UID of the VTODO, unescaped; empty when it has none.
    std::string Uid() const;

    // Sets every field of `item` as the import reads the VTODO.
    // ECalendarError for a value that cannot be read.
    void ReadItem(TTodoItem& item, const TCalendarWarning& warn = {}) const;
    // Makes the VTODO hold `item`'s values of `fields`: their properties are replaced (in
    // their places; new ones go before END:VTODO or the first VALARM), and the X-PELLMARK
    // properties are added or removed as the mapping needs them. All else stays as it was.
    void WriteFields(const TTodoItem& item, TTodoFields fields);

private:
    struct TLine {
        std::string raw;   // as in the text, with its line ends
        std::string text;  // unfolded, the name in upper case
        std::string name;
        std::size_t depth = 0;  // the components it lies in
        std::string top;        // the component inside the VCALENDAR it lies in
        int number = 0;         // in the text it was read from; 0 for a line written here
    };

    TVTodo() = default;
    static std::vector<TLine> ReadLines(std::string_view text, std::size_t& todo);
    bool IsOwnProperty(std::size_t index) const;
    void ReadValues(TVTodoValues& values, const TCalendarWarning& warn) const;
    // Puts `lines` (properties named `name`) where the properties of that name were.
    void Replace(std::string_view name, std::vector<TLine> lines);

    std::vector<TLine> lines_;
    std::size_t begin_ = 0;  // BEGIN:VTODO
    std::size_t end_ = 0;    // END:VTODO
};
