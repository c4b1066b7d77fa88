#include "ReInit.h"

#include "forms/Resources.h"

HINSTANCE LoadLanguageModule(const std::string& path) {
    HINSTANCE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return nullptr;
    return forms::SwapResourceModule(module);
}
