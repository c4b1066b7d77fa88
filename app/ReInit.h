// The language module: a library of resources only whose translated layouts
// and texts replace the program's own as a whole.
#pragma once
#include <windows.h>

#include <string>

// Loads the module as a data file and makes it the resource module; returns
// its handle, or 0 (changing nothing) when it cannot be loaded.
HINSTANCE LoadLanguageModule(const std::string& path);
