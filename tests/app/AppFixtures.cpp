// The helpers and the shared values of AppFixtures.h.
#include "AppFixtures.h"

#include <cstdio>
#include <iterator>

std::string BinDir() { return ExecutableDirectory(); }

BOOL CALLBACK AppendWindowText(HWND window, LPARAM text) {
    char part[512];
    GetWindowTextA(window, part, sizeof part);
    *reinterpret_cast<std::string*>(text) += part;
    return TRUE;
}

int reloads = 0;
WNDPROC serviceProc = nullptr;
LRESULT CALLBACK CountReloads(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == ReloadMessage) ++reloads;
    return CallWindowProcA(serviceProc, wnd, msg, wParam, lParam);
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

std::string ReadBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::vector<KeyRecord> kKeys = {
    {15, 0, 0, "Notepad", "C:\\windows\\notepad.exe"}, {16, 0, 0, "Registry", "C:\\windows\\regedit.exe"},
    {1, 1, 1004, "Old", ""}, {2, 1, 0, "", ""}, {3, 0, 1003, "", ""}, {4, 0, 1006, "", ""}, {5, 0, 4242, "", ""},
};
