// Drop data as the shell hands it over, for tests that send real
// WM_DROPFILES messages: a DROPFILES header, the names each NUL-terminated,
// and a closing NUL, in movable global memory that the receiver frees with
// DragFinish.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace testing_support {

inline HDROP MakeDrop(const std::vector<std::string>& names, POINT point = {0, 0}) {
    std::string list;
    for (const std::string& name : names) list += name + '\0';
    list += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->pt = point;
    header->fNC = FALSE;
    header->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

} // namespace testing_support
