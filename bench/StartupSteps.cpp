// Where the program's start-up goes: the steps the program takes from launch
// to a painted main window, each timed in a fresh process, with the working
// set each adds. Runs beside the program (it needs the service library, the
// resource libraries, the pictures and def.kfd there) and plays the service
// itself, as the in-process tests do.
//
//   bench_startup_steps [RUNS]     RUNS fresh processes, medians per step
//   bench_startup_steps --once     one process, one line of figures
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/KbDataType.h"
#include "app/KbdDll.h"
#include "app/ReInit.h"
#include "app/main.h"
#include "bench/BenchTiming.h"
#include "forms/Graphics.h"
#include "forms/LayoutReader.h"
#include "forms/Resources.h"
#include "forms/SysUtils.h"

using namespace forms;

namespace {

const char* const kSteps[] = {
    "process start to main (loader, imported DLLs, static init)",
    "first window of the process (the display driver starts)",
    "application object",
    "language module (none beside the program)",
    "layout resource read and parsed (alone)",
    "main window created from its layout, OnCreate run",
    "  of which: Q5.bmp + Q5Mask.bmp decoded (timed again, alone)",
    "  of which: def.kfd read (timed again, alone)",
    "shown and every WM_PAINT handled",
    "closed and destroyed",
};
constexpr int kStepCount = int(std::size(kSteps));

double WorkingSet() {
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return double(memory.WorkingSetSize);
}

// Seconds since this process was created, on the clock the system gives both.
double SinceProcessCreation() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](const FILETIME& f) { return (ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return double(ticks(now) - ticks(created)) / 1e7;
}

BOOL CALLBACK CountOne(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int CountWindows(HWND wnd) {
    int count = 1;
    EnumChildWindows(wnd, CountOne, reinterpret_cast<LPARAM>(&count));
    return count;
}

// One process: every step's seconds and working-set growth, then the window count.
int Once() {
    double times[kStepCount] = {}, memory[kStepCount] = {};
    times[0] = SinceProcessCreation();
    memory[0] = WorkingSet();
    int step = 1;
    auto timed = [&](auto&& body) {
        double m = WorkingSet(), t = bench::Seconds();
        body();
        times[step] = bench::Seconds() - t;
        memory[step] = WorkingSet() - m;
        ++step;
    };
    // Play the service: the program opens only when the block names one.
    HWND service = nullptr;
    timed([&] { service = CreateWindowExA(0, "STATIC", "service", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr); });
    if (!SharedBlock) return 1;
    SharedBlock->ServiceWindow = uint32_t(uintptr_t(service));
    SharedBlock->SettingsWindow = 0;

    TApplication* app = nullptr;
    TQorVarnoqForm* form = nullptr;
    timed([&] { app = Application(); });
    timed([&] { LoadLanguageModule(ExecutableDirectory() + "TORLANG.DLL"); });
    bool layoutFound = false;
    timed([&] {
        std::string text;
        layoutFound = LoadResourceData("TQORVARNOQFORM", text);
        ReadLayout(text);
    });
    if (!layoutFound) return 1;
    timed([&] { form = app->CreateForm<TQorVarnoqForm>(); });
    timed([&] {
        TPicture picture, mask;
        picture.LoadFromFile(ExecutableDirectory() + "Q5.bmp");
        mask.LoadFromFile(ExecutableDirectory() + "Q5Mask.bmp");
    });
    timed([&] {
        TDralKeyFunctionDataFile file;
        file.LoadFromFile(ExecutableDirectory() + "def.kfd");
    });
    int windows = CountWindows(form->Handle());
    timed([&] {
        form->Show();
        app->ProcessMessages();
    });
    timed([&] { delete form; });
    for (int i = 0; i < kStepCount; ++i) std::printf("%.6f %.0f ", times[i], memory[i]);
    std::printf("%d\n", windows);
    DestroyWindow(service);
    return 0;
}

// Runs this program with --once and reads the line it prints.
bool RunOnce(std::vector<double>& figures) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read, write;
    if (!CreatePipe(&read, &write, &inherit, 0)) return false;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = write;
    PROCESS_INFORMATION pi{};
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = "\"" + std::string(self) + "\" --once";
    bool started = CreateProcessA(self, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write);
    std::string out;
    char buffer[512];
    DWORD got;
    while (started && ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
    CloseHandle(read);
    if (!started) return false;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::istringstream line(out);
    figures.clear();
    for (double v; line >> v;) figures.push_back(v);
    return figures.size() == 2 * kStepCount + 1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc > 1 && std::strcmp(argv[1], "--once") == 0) return Once();
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    std::vector<std::vector<double>> all;
    for (int i = 0; i < runs; ++i) {
        std::vector<double> figures;
        if (RunOnce(figures)) all.push_back(figures);
    }
    if (all.empty()) {
        std::printf("no run of the steps completed\n");
        return 1;
    }
    auto column = [&](size_t i) {
        std::vector<double> v;
        for (auto& f : all) v.push_back(f[i]);
        return Median(v);
    };
    std::printf("Start-up steps in-process, medians of %d fresh processes (time, working set added):\n",
                int(all.size()));
    for (int i = 0; i < kStepCount; ++i)
        std::printf(i ? "  %-62s %7.1f ms %+8.0f KB\n" : "  %-62s %7.1f ms %8.0f KB in all\n", kSteps[i],
                    column(2 * i) * 1000, column(2 * i + 1) / 1024);
    std::printf("  windows in the main window (itself included): %.0f\n", column(2 * kStepCount));
    return 0;
}
