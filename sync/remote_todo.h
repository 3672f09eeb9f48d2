#pragma once

// A task resource of the collection as the sync sees it, on the VTODO mapping of
// calendar/ (the one of `pellmark-cli export --format ics`): the item it maps to, its UID,
// and its body kept whole, so that a change writes back what was read with only the
// properties of the changed fields replaced. Properties Pellmark has no field for, and
// other components of the resource, stay byte for byte.

#include <QByteArray>
#include <QString>
#include <memory>

#include "calendar/todo_fields.h"
#include "model/todo_item.h"

class TRemoteTodo {
public:
    // Reads a resource's body. ESyncError "the server's iCalendar for HREF is not valid:
    // ..." for a body that is not iCalendar; a body without a VTODO gives HasTodo() false.
    TRemoteTodo(const QByteArray& body, const QString& href);
    ~TRemoteTodo();
    TRemoteTodo(TRemoteTodo&&) noexcept;
    TRemoteTodo& operator=(TRemoteTodo&&) noexcept;

    bool HasTodo() const;
    const QString& Uid() const { return uid_; }
    const TTodoItem& Item() const { return *item_; }
    // The body with the properties of `fields` set from `item`; everything else as read.
    QByteArray Updated(const TTodoItem& item, TTodoFields fields) const;

private:
    struct TParsed;
    std::unique_ptr<TParsed> parsed_;
    QString uid_;
    std::unique_ptr<TTodoItem> item_;
};

// The body of a new resource for the item: one VCALENDAR with one VTODO.
QByteArray NewTodoBody(const TTodoItem& item, const QString& uid);
// The VTODOs of several new items in one VCALENDAR, for servers that take a collection
// in one request.
QByteArray NewTodosCalendar(const std::vector<std::pair<const TTodoItem*, QString>>& items);
// The item as the server shows it once written there and read back.
void AsOnServer(const TTodoItem& item, TTodoItem& onServer);
