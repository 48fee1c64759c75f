// Stands in for a program the tests let Tarnovelle start (shutdown.exe, a
// decoy of it, a file to run). It appends one line to the log file named by
// TARNOVELLE_RECORD_LOG and ends:
//
//   <own path>\t<command line>\t<local time of its creation>\t<local time now>
//
// Times are HH:MM:SS.mmm; the creation time is the system's own record of
// when the process was created. A window program, so that starting it opens
// no console. It ends with exit code 0, or with the number written in
// exit-code.txt beside the log, to play a shutdown.exe that refuses.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

std::string Clock(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME t;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u.%03u", t.wHour, t.wMinute, t.wSecond,
                  t.wMilliseconds);
    return buffer;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    FILETIME created{}, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string line = Utf8(self) + "\t" + Utf8(GetCommandLineW()) + "\t" + Clock(created) +
                             "\t" + Clock(now) + "\r\n";

    wchar_t log[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"TARNOVELLE_RECORD_LOG", log, MAX_PATH)) return 2;
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);

    std::wstring exit_file = log;
    exit_file = exit_file.substr(0, exit_file.find_last_of(L'\\') + 1) + L"exit-code.txt";
    HANDLE code_file = CreateFileW(exit_file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (code_file == INVALID_HANDLE_VALUE) return 0;
    char digits[16] = {};
    DWORD got = 0;
    ReadFile(code_file, digits, sizeof digits - 1, &got, nullptr);
    CloseHandle(code_file);
    return static_cast<int>(std::strtoul(digits, nullptr, 10));
}
