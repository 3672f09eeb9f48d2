#pragma once

// The program's own modules: parts that need a large library (printing, the local socket
// of the single-copy rule) are shared modules loaded on first use, so that a start that
// never uses them does not load and link those libraries before its window shows.
//
// A module is looked for in the program's installed module folder (relative to the
// executable) and then in the build tree's module folder. It stays loaded to the end.

#include <QString>

// The address of `symbol` in the module `name` (e.g. "pellmark-printing"). Throws
// EPellmarkError with the loader's reason when the module or the symbol cannot be found.
void* ResolveModuleSymbol(const char* name, const char* symbol);
