#include "sync/remote_todo.h"

#include <QDateTime>

#include "calendar/calendar_error.h"
#include "calendar/vtodo.h"
#include "sync/sync_errors.h"

struct TRemoteTodo::TParsed {
    TVTodo Todo;
};

namespace {

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), std::size_t(bytes.size())};
}

QByteArray Bytes(const std::string& text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

}  // namespace

TRemoteTodo::TRemoteTodo(const QByteArray& body, const QString& href)
    : item_(std::make_unique<TTodoItem>(nullptr)) {
    // Events and other components of a shared calendar are no error, only no task.
    if (!body.contains("BEGIN:VTODO") && !body.toUpper().contains("BEGIN:VTODO")) {
        return;
    }
    try {
        parsed_ = std::make_unique<TParsed>(TParsed{TVTodo::Parse(View(body))});
        parsed_->Todo.ReadItem(*item_);
    } catch (const EPellmarkError& error) {
        throw ESyncError(QStringLiteral("the server's iCalendar for %1 is not valid: %2")
                             .arg(href, error.Message()));
    }
    uid_ = QString::fromStdString(parsed_->Todo.Uid());
}

TRemoteTodo::~TRemoteTodo() = default;
TRemoteTodo::TRemoteTodo(TRemoteTodo&&) noexcept = default;
TRemoteTodo& TRemoteTodo::operator=(TRemoteTodo&&) noexcept = default;

bool TRemoteTodo::HasTodo() const {
    return parsed_ != nullptr;
}

QByteArray TRemoteTodo::Updated(const TTodoItem& item, TTodoFields fields) const {
    TVTodo todo = parsed_->Todo;
    todo.WriteFields(item, fields);
    return Bytes(todo.Text());
}

QByteArray NewTodoBody(const TTodoItem& item, const QString& uid) {
    return Bytes(TVTodo::FromItem(item, uid.toStdString(), QDateTime::currentDateTimeUtc()).Text());
}

QByteArray NewTodosCalendar(const std::vector<std::pair<const TTodoItem*, QString>>& items) {
    std::string out;
    AppendCalendarBegin(out, "-//Pellmark//pellmark-cli//EN");
    TLocalTime local;
    const std::string stamp = StampText(QDateTime::currentDateTimeUtc());
    std::string properties;
    for (const auto& [item, uid] : items) {
        properties.clear();
        AppendVTodoProperties(properties, *item, local);
        AppendVTodo(out, uid.toStdString(), stamp, properties);
    }
    AppendCalendarEnd(out);
    return Bytes(out);
}

void AsOnServer(const TTodoItem& item, TTodoItem& onServer) {
    const TVTodo todo = TVTodo::FromItem(item, "x", QDateTime::currentDateTimeUtc());
    TTodoItem fresh(nullptr);
    onServer.Assign(fresh);
    TVTodo::Parse(todo.Text()).ReadItem(onServer);
}
