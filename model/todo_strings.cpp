#include "model/todo_strings.h"

std::string TStatusStrings::GetString(TTodoStatus status) const {
    return status < texts_.size() ? texts_[status] : std::string();
}

void TStatusStrings::Set(TTodoStatus status, const std::string& value) {
    if (status >= texts_.size()) {
        return;
    }
    texts_[status] = value;
    if (OnChange) {
        OnChange();
    }
}

std::string TPriorityStrings::GetString(TTodoPriority priority) const {
    return priority < texts_.size() ? texts_[priority] : std::string();
}

void TPriorityStrings::Set(TTodoPriority priority, const std::string& value) {
    if (priority >= texts_.size()) {
        return;
    }
    texts_[priority] = value;
    if (OnChange) {
        OnChange();
    }
}
