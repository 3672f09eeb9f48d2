#pragma once

// A sync that cannot go on: the server cannot be reached, refuses, answers what is not
// WebDAV or iCalendar, or the collection cannot hold tasks. The message is the text the
// user sees; a sync that raises it has changed nothing locally that is not consistent.

#include "model/errors.h"

class ESyncError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};
