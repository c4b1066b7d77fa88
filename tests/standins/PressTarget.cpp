// A custom key's target for the service's tests: proves it was opened by
// writing "opened" into launched.txt beside itself, then ends.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH];
    std::string dir(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    dir.erase(dir.find_last_of("\\/") + 1);
    FILE* f = std::fopen((dir + "launched.txt").c_str(), "wb");
    if (!f) return 1;
    std::fputs("opened", f);
    return std::fclose(f) == 0 ? 0 : 1;
}
