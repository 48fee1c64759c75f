// The benchmark's probe: measures another program with the system's own
// counters, from inside the same Wine desktop.
//
//   startup EXE TITLE   start EXE, time until its window TITLE is visible,
//                       then read its memory counters; ends it again
//   cpu PID MS          CPU time its threads use in the next MS milliseconds
//
// Output: key=value lines.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    DWORD pid;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    if (std::wcscmp(text, s->title) != 0) return TRUE;
    s->found = hwnd;
    return FALSE;
}

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Another process's CPU time, as the sum over its threads (its own process
// times are not reliable across processes here).
double CpuMs(DWORD pid) {
    double total = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        FILETIME created, exited, kernel, user;
        if (GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
            auto ms = [](const FILETIME& f) {
                return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) |
                                           f.dwLowDateTime) / 10000.0;
            };
            total += ms(kernel) + ms(user);
        }
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return total;
}

int Startup(const wchar_t* exe, const wchar_t* title) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring line = L"\"" + std::wstring(exe) + L"\"";
    const double t0 = Now();
    if (!CreateProcessW(exe, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return 2;
    Search s{started.dwProcessId, title, nullptr};
    while (!s.found && Now() - t0 < 20000) {
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&s));
        if (!s.found) Sleep(1);
    }
    const double t1 = Now();
    if (!s.found) {
        TerminateProcess(started.hProcess, 1);
        return 1;
    }
    std::printf("startup_ms=%.1f\n", t1 - t0);
    std::printf("pid=%lu\n", started.dwProcessId);
    Sleep(500);  // settled
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(started.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        std::printf("private_bytes=%lu\n", static_cast<unsigned long>(memory.PagefileUsage));
        std::printf("working_set=%lu\n", static_cast<unsigned long>(memory.WorkingSetSize));
        std::printf("peak_working_set=%lu\n", static_cast<unsigned long>(memory.PeakWorkingSetSize));
    }
    std::fflush(stdout);
    PostMessageW(s.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(started.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(started.hProcess, 1);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"startup") return Startup(argv[2], argv[3]);
    if (argc == 4 && std::wstring(argv[1]) == L"cpu") {
        const DWORD pid = std::wcstoul(argv[2], nullptr, 10);
        const DWORD ms = std::wcstoul(argv[3], nullptr, 10);
        const double before = CpuMs(pid);
        const double t0 = Now();
        Sleep(ms);
        const double after = CpuMs(pid);
        std::printf("cpu_ms=%.1f\nwall_ms=%.1f\n", after - before, Now() - t0);
        return before < 0 ? 1 : 0;
    }
    std::printf("usage: probe startup EXE TITLE | probe cpu PID MS\n");
    return 2;
}
