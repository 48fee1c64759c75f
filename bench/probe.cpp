// The benchmark's probe: measures another program with the system's own
// counters, from inside the same Wine desktop.
//
//   startup EXE TITLE   start EXE, time until its window TITLE is visible,
//                       then read its memory counters; ends it again. Also
//                       the performance counter just before CreateProcess
//                       and when the window was seen visible
//   cpu PID MS          CPU time its threads use in the next MS milliseconds
//   clocklate HWND ID N for N seconds in a row: how long after the second
//                       began the text of the window's control ID showed
//                       it, and the text it showed
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
    LARGE_INTEGER created, visible;
    QueryPerformanceCounter(&created);
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
    QueryPerformanceCounter(&visible);
    if (!s.found) {
        TerminateProcess(started.hProcess, 1);
        return 1;
    }
    std::printf("startup_ms=%.1f\n", t1 - t0);
    // On the performance counter every process shares, for a profile build's
    // own moments (platform/win32/profile.h).
    std::printf("created_counter=%lld\nvisible_counter=%lld\n", created.QuadPart, visible.QuadPart);
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

// The time now, in 100 ns steps since 1601 (UTC, whose seconds begin when
// the local time's do).
ULONGLONG PreciseNow() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::wstring TextOf(HWND control) {
    wchar_t text[64] = {};
    SendMessageTimeoutW(control, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    return text;
}

std::wstring LocalClockText(ULONGLONG utc) {
    FILETIME file{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
    FILETIME local;
    SYSTEMTIME t;
    FileTimeToLocalFileTime(&file, &local);
    FileTimeToSystemTime(&local, &t);
    wchar_t text[16];
    std::swprintf(text, 16, L"%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
    return text;
}

// Reads the control's text in a tight loop from 40 ms before each second
// begins until it changes; the time of the read that saw the change is when
// it showed the new second (an upper bound, by a read's time).
int ClockLate(HWND window, int id, int seconds) {
    HWND control = GetDlgItem(window, id);
    if (!control) return 1;
    constexpr ULONGLONG kSecond = 10'000'000, kMs = 10'000;
    for (int i = 0; i < seconds; ++i) {
        const ULONGLONG begins = (PreciseNow() / kSecond + 1) * kSecond;
        const ULONGLONG now = PreciseNow();
        if (begins - now > 40 * kMs) Sleep(static_cast<DWORD>((begins - now) / kMs - 40));
        const std::wstring before = TextOf(control);
        for (;;) {
            const ULONGLONG read = PreciseNow();
            const std::wstring text = TextOf(control);
            if (text != before || read > begins + kSecond) {
                const double late_ms = (static_cast<double>(read) - static_cast<double>(begins)) / kMs;
                std::printf("late_ms=%.2f shown=%ls expected=%ls\n", text != before ? late_ms : -9999.0,
                            text.c_str(), LocalClockText(begins).c_str());
                break;
            }
        }
    }
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
    if (argc == 5 && std::wstring(argv[1]) == L"clocklate")
        return ClockLate(reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoul(argv[2], nullptr, 0))),
                         static_cast<int>(std::wcstol(argv[3], nullptr, 0)),
                         static_cast<int>(std::wcstol(argv[4], nullptr, 0)));
    std::printf("usage: probe startup EXE TITLE | probe cpu PID MS | probe clocklate HWND ID N\n");
    return 2;
}
