// A planted DLL, for the test that plants DLLs beside the program: copied
// under the name of each DLL the program loads, it leaves a mark when any
// process loads it, by appending one line to the file named by
// TARNOVELLE_PLANT_LOG:
//
//   <its own path>\t<the loading program's path>
//
// and does nothing else.
#include <windows.h>

namespace {

void Append(HANDLE file, const wchar_t* text) {
    char utf8[3 * MAX_PATH + 4];
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    DWORD written = 0;
    if (n > 1) WriteFile(file, utf8, static_cast<DWORD>(n - 1), &written, nullptr);
}

void LeaveMark(HMODULE self) {
    wchar_t log[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"TARNOVELLE_PLANT_LOG", log, MAX_PATH)) return;
    wchar_t own[MAX_PATH] = {};
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(self, own, MAX_PATH);
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    Append(file, own);
    Append(file, L"\t");
    Append(file, program);
    Append(file, L"\r\n");
    CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LeaveMark(self);
    return TRUE;
}
