// Registered modules and the resource module: the module from which every
// window layout and every text of the library is loaded. At start it is the
// program's own executable; a language module may take its place.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace forms {

struct TLibModule {
    HINSTANCE Instance;
    HINSTANCE ResInstance; // the module its resources come from
};

// The program's own module is registered on first use; DLLs built on the
// library may register theirs.
void RegisterModule(HINSTANCE instance);
HINSTANCE MainInstance();
// The resource module of the program's own module.
HINSTANCE ResourceModule();

// Makes module the resource module of the program's own entry and returns
// it; a language module that held that place before is released. Returns 0
// and changes nothing when the program's module is not registered.
HINSTANCE SwapResourceModule(HINSTANCE module);

// A text of the resource module's string table; empty when absent.
std::string LoadResString(UINT id);
// A resource of a module as the module holds it, for as long as it stays
// loaded; empty (null, 0) when absent.
struct TResourceBytes {
    const uint8_t* Data = nullptr;
    DWORD Size = 0;
};
TResourceBytes FindResourceBytes(HINSTANCE module, LPCSTR name, LPCSTR type);

// The whole content of an RCDATA resource of the resource module; false
// when absent.
bool LoadResourceData(const std::string& name, std::string& data);

// A library of resources loaded for as long as its holder keeps it: freed
// by the holder alone. Mapped as data: none of its code runs, and nothing
// it imports is loaded. Empty when the load failed.
class TLoadedLibrary {
public:
    TLoadedLibrary() = default;
    ~TLoadedLibrary() { Reset(); }
    TLoadedLibrary(const TLoadedLibrary&) = delete;
    TLoadedLibrary& operator=(const TLoadedLibrary&) = delete;
    // Frees the library held, then loads path (nothing for an empty path).
    void Load(const std::string& path) {
        Reset();
        if (!path.empty()) module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    void Reset() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }
    HINSTANCE Get() const { return module_; }

private:
    HINSTANCE module_ = nullptr;
};

// Routes the library's own texts (error messages, captions) through the
// resource module's string table, so a language module translates them.
void UseResourceTexts();

} // namespace forms
