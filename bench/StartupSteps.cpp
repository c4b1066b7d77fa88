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
#include "forms/Controls.h"
#include "forms/Graphics.h"
#include "forms/LayoutReader.h"
#include "forms/Resources.h"
#include "forms/SysUtils.h"

using namespace forms;

namespace {

// One figure of one run: what was timed, its seconds and the working set it
// added (bytes). A run prints one per line; the parent takes medians by label.
struct TFigure {
    std::string Label;
    double Seconds = 0, Memory = 0;
};

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

// The windows made while the main window is built, in order, with the time
// each creation began.
std::vector<std::pair<HWND, double>> created;

// One share of a stretch of time: what came before its first window
// (Window null), or a window with what is made on it before the next one.
struct TShare {
    HWND Window;
    std::string Label; // " + ..." on the last window's, which runs to the end
    double Seconds;
};

// Each window made from created[first] on is charged with the time from its
// creation to the next one's: its own creation and the properties set on it
// after. The last one's share runs to `end` and holds what follows it.
std::vector<TShare> Shares(size_t first, double begin, double end, const std::string& rest) {
    std::vector<TShare> shares;
    if (created.size() <= first) return shares;
    shares.push_back({nullptr, "", created[first].second - begin});
    for (size_t i = first; i < created.size(); ++i) {
        const bool last = i + 1 == created.size();
        shares.push_back({created[i].first, last ? rest : "", (last ? end : created[i + 1].second) - created[i].second});
    }
    return shares;
}

LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) created.emplace_back(reinterpret_cast<HWND>(wParam), bench::Seconds());
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The form library's class of the control on a window, or the window's
// class; with the control's name when asked.
std::string ControlClass(HWND wnd, bool named = false) {
    if (TWinControl* control = TWinControl::FromHandle(wnd))
        return control->ClassName() + (named ? " " + control->Name() : "");
    char name[64] = "";
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

// Adds seconds to the figure of that label, making it in order of first use.
void Add(std::vector<TFigure>& figures, const std::string& label, double seconds) {
    auto it = std::find_if(figures.begin(), figures.end(), [&](const TFigure& f) { return f.Label == label; });
    if (it == figures.end()) it = figures.insert(figures.end(), TFigure{label});
    it->Seconds += seconds;
}

// One process: the program's steps in its order, then the building of the
// main window by control class and its first paint by window.
int Once() {
    std::vector<TFigure> steps, creation, windows, paint;
    steps.push_back({"process start to main (loader, imported DLLs, static init)", SinceProcessCreation(),
                     WorkingSet()});
    auto timed = [&](const char* label, auto&& body) {
        double m = WorkingSet(), t = bench::Seconds();
        body();
        steps.push_back({label, bench::Seconds() - t, WorkingSet() - m});
    };
    // Play the service: the program opens only when the block names one.
    HWND service = nullptr;
    timed("first window of the process (the display driver starts)", [&] {
        service = CreateWindowExA(0, "STATIC", "service", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    });
    if (!SharedBlock) return 1;
    SharedBlock->ServiceWindow = WindowToField(service);
    SharedBlock->SettingsWindow = 0;

    TApplication* app = nullptr;
    TQorVarnoqForm* form = nullptr;
    timed("application object", [&] { app = Application(); });
    timed("language module (none beside the program)",
          [&] { LoadLanguageModule(ExecutableDirectory() + "TORLANG.DLL"); });
    bool layoutFound = false;
    timed("layout resource read and parsed (alone)", [&] {
        std::string text;
        layoutFound = LoadResourceData("TQORVARNOQFORM", text);
        ReadLayout(text);
    });
    if (!layoutFound) return 1;
    HHOOK hook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
    double begin = bench::Seconds();
    timed("main window created from its layout, OnCreate run", [&] { form = app->CreateForm<TQorVarnoqForm>(); });
    double end = begin + steps.back().Seconds;
    UnhookWindowsHookEx(hook);
    for (const TShare& share : Shares(0, begin, end, " + the rest of OnCreate")) {
        if (!share.Window) {
            Add(creation, "before the first window", share.Seconds);
            continue;
        }
        Add(creation, ControlClass(share.Window) + share.Label, share.Seconds);
        Add(windows, ControlClass(share.Window, true) + share.Label, share.Seconds);
    }
    timed("  of which: Q5.bmp + Q5Mask.bmp decoded (timed again, alone)", [&] {
        TPicture picture, mask;
        picture.LoadFromFile(ExecutableDirectory() + "Q5.bmp");
        mask.LoadFromFile(ExecutableDirectory() + "Q5Mask.bmp");
    });
    timed("  of which: def.kfd read (timed again, alone)", [&] {
        TDralKeyFunctionDataFile file;
        file.LoadFromFile(ExecutableDirectory() + "def.kfd");
    });
    timed("shown (the messages Show sends)", [&] { form->Show(); });
    // The queue as the program's loop empties it, each WM_PAINT timed by
    // the window it paints.
    auto handleQueue = [](std::vector<TFigure>* byWindow) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            double t = bench::Seconds();
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (byWindow)
                Add(*byWindow, msg.message == WM_PAINT ? ControlClass(msg.hwnd) : "other messages", bench::Seconds() - t);
        }
    };
    timed("every WM_PAINT and other queued message handled", [&] { handleQueue(&paint); });
    // Page switches as the user makes them with the arrow keys on the tabs,
    // each until everything it shows is painted. The first to a page makes
    // that page's windows.
    HWND tabs = form->PageControl1->Handle();
    // The key's handling (windows made, page shown, the handler run) ends
    // at keyHandled; what it left to paint follows, by window.
    double keyHandled = 0;
    auto switchPage = [&](WPARAM key, std::vector<TFigure>* paints = nullptr) {
        SendMessageA(tabs, WM_KEYDOWN, key, 0);
        keyHandled = bench::Seconds();
        handleQueue(paints);
    };
    size_t madeAtStart = created.size();
    hook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
    const double switchBegin = bench::Seconds();
    std::vector<TFigure> firstSwitch;
    timed("first switch to the OSD page, painted", [&] { switchPage(VK_RIGHT, &firstSwitch); });
    UnhookWindowsHookEx(hook);
    steps.back().Label += " (" + std::to_string(created.size() - madeAtStart) + " windows made)";
    // The windows the switch makes, charged the same way, before its paints.
    std::vector<TFigure> made;
    for (const TShare& share : Shares(madeAtStart, switchBegin, keyHandled, " + page shown, handler run"))
        Add(made,
            share.Window ? ControlClass(share.Window, true) + share.Label
                         : "before the first window (the tab control's own work)",
            share.Seconds);
    for (TFigure& paint : firstSwitch) paint.Label = "painted: " + paint.Label;
    firstSwitch.insert(firstSwitch.begin(), made.begin(), made.end());
    timed("back to the Keys page, painted", [&] { switchPage(VK_LEFT); });
    timed("a later switch to the OSD page, painted", [&] { switchPage(VK_RIGHT); });
    timed("closed and destroyed", [&] { delete form; });
    DestroyWindow(service);

    auto print = [](const char* group, const std::vector<TFigure>& figures) {
        for (const TFigure& f : figures) std::printf("%s\t%s\t%.6f\t%.0f\n", group, f.Label.c_str(), f.Seconds, f.Memory);
    };
    print("step", steps);
    print("creation", creation);
    print("window", windows);
    print("paint", paint);
    print("switch", firstSwitch);
    std::printf("windows\t%d\n", int(madeAtStart));
    return 0;
}

// Runs this program with --once and returns what it printed.
std::string RunOnce() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read, write;
    if (!CreatePipe(&read, &write, &inherit, 0)) return "";
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
    char buffer[4096];
    DWORD got;
    while (started && ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
    CloseHandle(read);
    if (!started) return "";
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0 ? out : "";
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
    // Per group and label, in order of first appearance: every run's figures.
    struct TSeries {
        std::string Group, Label;
        std::vector<double> Seconds, Memory;
    };
    std::vector<TSeries> series;
    int completed = 0;
    std::vector<double> windows;
    for (int i = 0; i < runs; ++i) {
        std::istringstream out(RunOnce());
        bool any = false;
        for (std::string line; std::getline(out, line);) {
            std::vector<std::string> fields;
            std::istringstream cells(line);
            for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
            if (fields.size() == 2 && fields[0] == "windows") windows.push_back(atof(fields[1].c_str()));
            if (fields.size() != 4) continue;
            auto it = std::find_if(series.begin(), series.end(),
                                   [&](const TSeries& s) { return s.Group == fields[0] && s.Label == fields[1]; });
            if (it == series.end()) it = series.insert(series.end(), TSeries{fields[0], fields[1], {}, {}});
            it->Seconds.push_back(atof(fields[2].c_str()));
            it->Memory.push_back(atof(fields[3].c_str()));
            any = true;
        }
        completed += any;
    }
    if (!completed) {
        std::printf("no run of the steps completed\n");
        return 1;
    }
    std::printf("Start-up steps in-process, medians of %d fresh processes (time, working set added):\n", completed);
    for (const TSeries& s : series)
        if (s.Group == "step")
            std::printf(&s == &series.front() ? "  %-62s %7.1f ms %8.0f KB in all\n" : "  %-62s %7.1f ms %+8.0f KB\n",
                        s.Label.c_str(), Median(s.Seconds) * 1000, Median(s.Memory) / 1024);
    std::printf("The main window's creation by control class (%.0f windows; each from its creation to the next "
                "window's):\n",
                Median(windows));
    for (const TSeries& s : series)
        if (s.Group == "creation") std::printf("  %-62s %7.1f ms\n", s.Label.c_str(), Median(s.Seconds) * 1000);
    std::vector<std::pair<double, std::string>> costliest;
    for (const TSeries& s : series)
        if (s.Group == "window") costliest.emplace_back(Median(s.Seconds), s.Label);
    std::sort(costliest.rbegin(), costliest.rend());
    std::printf("  the costliest windows, each with what is made on it before the next window:\n");
    for (size_t i = 0; i < std::min<size_t>(4, costliest.size()); ++i)
        std::printf("    %-60s %7.1f ms\n", costliest[i].second.c_str(), costliest[i].first * 1000);
    std::printf("Its first paint by window class (WM_PAINT handled):\n");
    for (const TSeries& s : series)
        if (s.Group == "paint") std::printf("  %-62s %7.1f ms\n", s.Label.c_str(), Median(s.Seconds) * 1000);
    std::printf("The first switch to the OSD page by window (each from its creation to the next window's; a\n"
                "ComboLBox is the drop-down list a combo box makes with itself), then its paints by window:\n");
    for (const TSeries& s : series)
        if (s.Group == "switch") std::printf("  %-62s %7.1f ms\n", s.Label.c_str(), Median(s.Seconds) * 1000);
    return 0;
}
