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

TResourceBytes FindResourceBytes(HINSTANCE module, LPCSTR name, LPCSTR type) {
    HRSRC info = FindResourceA(module, name, type);
    HGLOBAL handle = info ? LoadResource(module, info) : nullptr;
    const void* bytes = handle ? LockResource(handle) : nullptr;
    if (!bytes) return {};
    return {static_cast<const uint8_t*>(bytes), SizeofResource(module, info)};
}

bool LoadResourceData(const std::string& name, std::string& data) {
    const TResourceBytes bytes = FindResourceBytes(ResourceModule(), name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!bytes.Data) return false;
    data.assign(reinterpret_cast<const char*>(bytes.Data), bytes.Size);
    return true;
}

void UseResourceTexts() {
    SetFormTextLookup([](int id) { return LoadResString(UINT(id)); });
}

} // namespace forms
