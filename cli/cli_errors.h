#pragma once

// Errors of the command-line tool on top of the model's own.

#include "model/errors.h"

// Input that cannot become a to-do list: bad JSON or CSV, a value of the wrong type or out
// of range, an unknown name. The message names the item and key (or line) at fault.
class EImportError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};

// A command line that does not fit a command (unknown option, missing argument): exit 2.
class EUsageError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};
