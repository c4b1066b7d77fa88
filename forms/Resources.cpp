#include "Resources.h"

#include <vector>

#include "SysUtils.h"

namespace forms {

namespace {

std::vector<TLibModule>& Modules() {
    static std::vector<TLibModule> modules;
    if (modules.empty()) {
        HINSTANCE self = GetModuleHandleA(nullptr);
        modules.push_back({self, self});
    }
    return modules;
}

} // namespace

void RegisterModule(HINSTANCE instance) {
    for (const TLibModule& m : Modules())
        if (m.Instance == instance) return;
    Modules().push_back({instance, instance});
}

HINSTANCE MainInstance() { return GetModuleHandleA(nullptr); }

HINSTANCE ResourceModule() {
    for (const TLibModule& m : Modules())
        if (m.Instance == MainInstance()) return m.ResInstance;
    return MainInstance();
}

HINSTANCE SwapResourceModule(HINSTANCE module) {
    for (TLibModule& m : Modules()) {
        if (m.Instance != MainInstance()) continue;
        if (m.ResInstance != m.Instance) FreeLibrary(m.ResInstance);
        m.ResInstance = module;
        return module;
    }
    return nullptr;
}

std::string LoadResString(UINT id) {
    char buffer[1024];
    int n = LoadStringA(ResourceModule(), id, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, size_t(n)) : std::string();
}

bool LoadResourceData(const std::string& name, std::string& data) {
    HINSTANCE module = ResourceModule();
    HRSRC info = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!info) return false;
    HGLOBAL handle = LoadResource(module, info);
    const void* bytes = handle ? LockResource(handle) : nullptr;
    if (!bytes) return false;
    data.assign(static_cast<const char*>(bytes), SizeofResource(module, info));
    return true;
}

void UseResourceTexts() {
    SetFormTextLookup([](int id) { return LoadResString(UINT(id)); });
}

} // namespace forms
