// Start-up of the program against a bare window program, both started from
// here as a user starts them, interleaved over many runs; prints medians and
// ratios, the peak memory of both and the sizes of what ships. Never fails
// on a figure.
//
// "Fully painted" is seen from outside, without any help from the program:
// its top-level window is visible, and neither it nor any window inside it
// has an update region left, on both sides of a message sent through its
// thread (so the thread is in its message loop and every WM_PAINT it was
// owed has run). Then the peak memory is read and the window gets WM_CLOSE,
// as the window's close box would send it.
//
//   bench_startup [FOLDER [RUNS]]
// FOLDER holds Varnoq.exe and what stands beside it (default: the build's
// bin folder); the bare window program stands beside this one. The stand-in
// service is started from FOLDER for the run unless one is running already.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "SharedSettingsBlock.h"
#include "bench/BenchTiming.h"

namespace {

std::string OwnDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

struct TSample {
    bool Ok = false;
    double Visible = 0, Painted = 0, Exited = 0; // seconds from CreateProcess
    double PeakWorkingSet = 0, PeakPagefile = 0;  // bytes, read once painted
    DWORD ExitCode = 0;
};

struct TFind {
    DWORD Pid;
    HWND Found = nullptr;
};

BOOL CALLBACK FindVisibleTopLevel(HWND wnd, LPARAM data) {
    auto* find = reinterpret_cast<TFind*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != find->Pid || !IsWindowVisible(wnd)) return TRUE;
    find->Found = wnd;
    return FALSE;
}

BOOL CALLBACK FindUnpainted(HWND wnd, LPARAM data) {
    if (IsWindowVisible(wnd) && GetUpdateRect(wnd, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(data) = true;
        return FALSE;
    }
    return TRUE;
}

bool NothingToPaint(HWND wnd) {
    if (GetUpdateRect(wnd, nullptr, FALSE)) return false;
    bool unpainted = false;
    EnumChildWindows(wnd, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
    return !unpainted;
}

bool Exited(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// Launch -> window visible -> fully painted -> WM_CLOSE -> process ended.
TSample Launch(const std::string& exe, const std::string& args, const std::string& dir, bool window) {
    TSample s;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + exe + "\"" + args;
    double t0 = bench::Seconds();
    if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
        std::printf("cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        return s;
    }
    const double limit = 30;
    bool ok = true;
    if (window) {
        TFind find{pi.dwProcessId};
        while (!find.Found && ok) {
            EnumWindows(FindVisibleTopLevel, reinterpret_cast<LPARAM>(&find));
            if (!find.Found) {
                ok = !Exited(pi.hProcess) && bench::Seconds() - t0 < limit;
                Sleep(1);
            }
        }
        s.Visible = bench::Seconds() - t0;
        while (ok) {
            if (NothingToPaint(find.Found)) {
                DWORD_PTR result;
                ok = SendMessageTimeoutA(find.Found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
                if (ok && NothingToPaint(find.Found)) break;
            }
            ok = ok && !Exited(pi.hProcess) && bench::Seconds() - t0 < limit;
            Sleep(1);
        }
        s.Painted = bench::Seconds() - t0;
        PROCESS_MEMORY_COUNTERS_EX memory{};
        if (ok && GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
            s.PeakWorkingSet = double(memory.PeakWorkingSetSize);
            s.PeakPagefile = double(memory.PeakPagefileUsage);
        }
        if (ok) PostMessageA(find.Found, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(pi.hProcess, DWORD(limit * 1000)) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 99);
        ok = false;
    }
    s.Exited = bench::Seconds() - t0;
    GetExitCodeProcess(pi.hProcess, &s.ExitCode);
    s.Ok = ok && s.ExitCode == 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return s;
}

// The libraries a PE file of this build's architecture imports, as its
// import table names them.
std::vector<std::string> Imports(const std::string& path) {
    std::vector<std::string> names;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return names;
    std::string data(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    ReadFile(file, data.data(), DWORD(data.size()), &got, nullptr);
    CloseHandle(file);
    auto at = [&](size_t offset, size_t size) { return offset + size <= got ? data.data() + offset : nullptr; };
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
    auto* nt = dos ? reinterpret_cast<const IMAGE_NT_HEADERS*>(at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS))) : nullptr;
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) return names;
    auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        at(dos->e_lfanew + offsetof(IMAGE_NT_HEADERS, OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader,
           nt->FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER)));
    // A virtual address to its place in the file, through the section holding it.
    auto file_offset = [&](DWORD rva) -> size_t {
        for (int i = 0; sections && i < nt->FileHeader.NumberOfSections; ++i)
            if (rva >= sections[i].VirtualAddress && rva < sections[i].VirtualAddress + sections[i].SizeOfRawData)
                return rva - sections[i].VirtualAddress + sections[i].PointerToRawData;
        return size_t(-1);
    };
    DWORD table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t entry = file_offset(table);; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(entry, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
        if (!import || !import->Name) break;
        size_t name = file_offset(import->Name);
        if (at(name, 1)) names.emplace_back(data.c_str() + name);
    }
    return names;
}

double Median(const std::vector<TSample>& samples, double TSample::*field) {
    std::vector<double> values;
    for (const TSample& s : samples)
        if (s.Ok) values.push_back(s.*field);
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The stand-in service, started from the folder for the run when none is
// running, seen through the block the program itself reads.
class TService {
public:
    explicit TService(const std::string& folder) : folder_(folder) {
        HMODULE lib = LoadLibraryA((folder + "TORVEL32.DLL").c_str());
        using TAttach = void* (*)();
        FARPROC found = lib ? GetProcAddress(lib, "AttachSharedBlock") : nullptr;
        auto attach = reinterpret_cast<TAttach>(reinterpret_cast<void (*)()>(found));
        block_ = attach ? static_cast<volatile TSharedSettingsBlock*>(attach()) : nullptr;
    }
    ~TService() {
        if (!started_.hProcess) return;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION stop{};
        std::string exe = folder_ + "KeyboardService.exe", cmd = "\"" + exe + "\" --stop";
        if (CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si, &stop)) {
            WaitForSingleObject(stop.hProcess, 10000);
            CloseHandle(stop.hThread);
            CloseHandle(stop.hProcess);
        }
        if (WaitForSingleObject(started_.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(started_.hProcess, 99);
        CloseHandle(started_.hThread);
        CloseHandle(started_.hProcess);
    }
    bool Running() const { return block_ && block_->ServiceWindow && IsWindow(WindowFromField(block_->ServiceWindow)); }
    bool Start() {
        if (!block_) return false;
        if (Running()) return true;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string exe = folder_ + "KeyboardService.exe", cmd = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si,
                            &started_))
            return false;
        for (int i = 0; i < 1000 && !Running(); ++i) Sleep(10);
        return Running();
    }

private:
    std::string folder_;
    volatile TSharedSettingsBlock* block_ = nullptr;
    PROCESS_INFORMATION started_{};
};

void PrintRow(const char* name, double bare, double varnoq, double scale, const char* unit, const char* target) {
    std::printf("  %-22s %10.1f %s %10.1f %s   ratio %.2f%s\n", name, bare * scale, unit, varnoq * scale, unit,
                bare > 0 ? varnoq / bare : 0.0, target);
}

} // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string folder = argc > 1 && *argv[1] ? argv[1] : OwnDirectory() + "..\\bin\\";
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 21;
    std::string bare = OwnDirectory() + "bench_bare_window.exe";
    std::string varnoq = folder + "Varnoq.exe";

    TService service(folder);
    if (!service.Start()) {
        std::printf("the stand-in service in %s does not start\n", folder.c_str());
        return 1;
    }
    std::string bareManifest = OwnDirectory() + "bench_bare_window_manifest.exe";
    // One unmeasured run of each fills the caches; then the runs alternate
    // which goes first, so neither always follows the other. Between them,
    // the steps from the bare window towards the program: with the system
    // libraries the program imports, then also with its manifest.
    Launch(bare, "", OwnDirectory(), true);
    Launch(varnoq, "", folder, true);
    // The system libraries the program imports and the bare window does not
    // (the program's own, beside it, are part of its own work).
    std::vector<std::string> libraries, bareImports = Imports(bare);
    std::string allLibraries;
    for (const std::string& name : Imports(varnoq)) {
        auto same = [&](const std::string& other) { return _stricmp(other.c_str(), name.c_str()) == 0; };
        if (std::none_of(bareImports.begin(), bareImports.end(), same) && FileSize(folder + name) < 0) {
            libraries.push_back(name);
            allLibraries += " " + name;
        }
    }
    std::vector<TSample> bareRuns, varnoqRuns, processRuns, librariesRuns, manifestRuns;
    std::vector<std::vector<TSample>> libraryRuns(libraries.size());
    for (int i = 0; i < runs; ++i) {
        for (size_t l = 0; l < libraries.size(); ++l)
            libraryRuns[l].push_back(Launch(bare, " " + libraries[l], OwnDirectory(), true));
        processRuns.push_back(Launch(bare, " --exit", OwnDirectory(), false));
        librariesRuns.push_back(Launch(bare, allLibraries, OwnDirectory(), true));
        manifestRuns.push_back(Launch(bareManifest, allLibraries, OwnDirectory(), true));
        if (i % 2) {
            varnoqRuns.push_back(Launch(varnoq, "", folder, true));
            bareRuns.push_back(Launch(bare, "", OwnDirectory(), true));
        } else {
            bareRuns.push_back(Launch(bare, "", OwnDirectory(), true));
            varnoqRuns.push_back(Launch(varnoq, "", folder, true));
        }
    }
    auto failed = [](const std::vector<TSample>& v) {
        return int(std::count_if(v.begin(), v.end(), [](const TSample& s) { return !s.Ok; }));
    };
    std::printf("Start-up, %d interleaved runs each, medians (bare window | Varnoq):\n", runs);
    if (failed(bareRuns) || failed(varnoqRuns) || failed(librariesRuns) || failed(manifestRuns))
        std::printf("  runs that failed and are left out: bare %d, Varnoq %d, steps between %d\n", failed(bareRuns),
                    failed(varnoqRuns), failed(librariesRuns) + failed(manifestRuns));
    auto median = [](const std::vector<TSample>& v, double TSample::*field) { return Median(v, field); };
    double painted = median(varnoqRuns, &TSample::Painted) / median(bareRuns, &TSample::Painted);
    double memory = median(varnoqRuns, &TSample::PeakWorkingSet) / median(bareRuns, &TSample::PeakWorkingSet);
    PrintRow("window visible", median(bareRuns, &TSample::Visible), median(varnoqRuns, &TSample::Visible), 1000,
             "ms", "");
    PrintRow("fully painted", median(bareRuns, &TSample::Painted), median(varnoqRuns, &TSample::Painted), 1000, "ms",
             painted <= 1.25 ? "  (goal <= 1.25: met)" : "  (goal <= 1.25: not yet)");
    PrintRow("closed and ended", median(bareRuns, &TSample::Exited), median(varnoqRuns, &TSample::Exited), 1000,
             "ms", "");
    PrintRow("peak working set", median(bareRuns, &TSample::PeakWorkingSet),
             median(varnoqRuns, &TSample::PeakWorkingSet), 1.0 / 1024, "KB",
             memory <= 1.25 ? "  (goal <= 1.25: met)" : "  (goal <= 1.25: not yet)");
    PrintRow("peak pagefile usage", median(bareRuns, &TSample::PeakPagefile),
             median(varnoqRuns, &TSample::PeakPagefile), 1.0 / 1024, "KB", "");

    // Each step's share of the difference, as medians of its own series.
    std::printf("Where the difference goes (fully painted, peak working set):\n");
    struct TStep {
        const char* Name;
        const std::vector<TSample>* From;
        const std::vector<TSample>* To;
    };
    std::printf("  %-56s %8.1f ms\n", "a process that starts and ends at once (under both)",
                median(processRuns, &TSample::Exited) * 1000);
    for (const TStep& step : {TStep{"+ Varnoq's system libraries, loaded by the bare window", &bareRuns,
                                    &librariesRuns},
                              TStep{"+ Varnoq's manifest (common controls 6)", &librariesRuns, &manifestRuns},
                              TStep{"+ Varnoq's own work (see bench_startup_steps)", &manifestRuns, &varnoqRuns}}) {
        std::printf("  %-56s %+8.1f ms %+8.0f KB\n", step.Name,
                    (median(*step.To, &TSample::Painted) - median(*step.From, &TSample::Painted)) * 1000,
                    (median(*step.To, &TSample::PeakWorkingSet) - median(*step.From, &TSample::PeakWorkingSet)) / 1024);
        if (step.From != &bareRuns) continue;
        std::printf("    each alone (a library brings those it needs itself):\n");
        for (size_t l = 0; l < libraries.size(); ++l)
            std::printf("      %-52s %+8.1f ms %+8.0f KB\n", libraries[l].c_str(),
                        (median(libraryRuns[l], &TSample::Painted) - median(bareRuns, &TSample::Painted)) * 1000,
                        (median(libraryRuns[l], &TSample::PeakWorkingSet) - median(bareRuns, &TSample::PeakWorkingSet)) /
                            1024);
    }

    std::printf("Sizes in %s:\n", folder.c_str());
    for (const char* name : {"Varnoq.exe", "TORVEL32.DLL", "TORSTR.DLL", "TORGFX.DLL", "KeyboardService.exe",
                             "language\\TORLANG.DLL", "language\\TORSTR.DLL",
                             "..\\lang\\TORLANG.DLL", "..\\lang\\TORSTR.DLL"}) {
        long long size = FileSize(folder + name);
        if (size < 0) continue;
        std::printf("  %-22s %9lld bytes%s\n", name, size,
                    std::string(name) == "Varnoq.exe" ? (size <= 1048576 ? "  (target <= 1 MB: met)"
                                                                          : "  (target <= 1 MB: MISSED)")
                                                      : "");
    }
    std::printf("  %-22s %9lld bytes (the bare window, beside the benchmark)\n", "bench_bare_window.exe", FileSize(bare));
    return 0;
}
