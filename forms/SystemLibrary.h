// Functions of system libraries that the program needs only on some paths (a
// dialog, a screen reader's query, a dropped file, a program's icon). Importing
// such a library makes every start pay for it and for all it brings in; asking
// for the function here loads the library on first use instead. A loaded
// library stays until the process ends. Null when the library or the function
// is not there.
//
// Libraries are taken from the system directory only. A bare name would be
// looked for in the program's own folder first, and a per-user installation's
// folder is writable by anything the user runs.
#pragma once
#include <windows.h>

#include <map>
#include <string>

namespace forms {

inline HMODULE LoadSystemLibrary(const char* library) {
    HMODULE module = LoadLibraryExA(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A system that does not know the flag: the system directory's full path.
    char directory[MAX_PATH];
    UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryA((std::string(directory, length) + "\\" + library).c_str());
}

// The library, loaded once; later calls find it loaded.
inline HMODULE SystemModule(const char* library) {
    static std::map<std::string, HMODULE> loaded;
    HMODULE& module = loaded[library];
    if (!module) module = LoadSystemLibrary(library);
    return module;
}

// Looked up each time it is asked for: a name look-up is cheap next to the
// call, and a test may stand in for the function by answering it.
template <class F>
F SystemLibraryFunction(const char* library, const char* name) {
    HMODULE module = SystemModule(library);
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

} // namespace forms

// The function as the platform declares it:
//   if (auto dragFinish = SYSTEM_FUNCTION("shell32.dll", DragFinish)) dragFinish(drop);
#define SYSTEM_FUNCTION(library, function) (::forms::SystemLibraryFunction<decltype(&::function)>(library, #function))
