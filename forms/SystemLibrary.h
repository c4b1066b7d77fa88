// A function of a system library that the program needs only on some paths
// (a dialog, a screen reader's query). Importing such a library makes every
// start pay for it and for all it brings in; asking for the function here
// loads the library on first use instead. A loaded library stays until the
// process ends. Null when the library or the function is not there.
#pragma once
#include <windows.h>

namespace forms {

template <class F>
F SystemLibraryFunction(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

} // namespace forms
