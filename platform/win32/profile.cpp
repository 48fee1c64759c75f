// Built only into the profile builds (platform/win32/profile.h). Nothing here
// may need the C runtime or a constructor: the first moment is noted before
// either has run.
#include "platform/win32/profile.h"

#include <windows.h>

namespace profile {
namespace {

struct Moment {
    const char* step;
    LONGLONG counter;
};

Moment g_moments[256];
int g_count = 0;
bool g_written = false;

}  // namespace

void Step(const char* step) {
    if (g_count == 256) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    g_moments[g_count++] = Moment{step, now.QuadPart};
}

void Flush() {
    if (g_written) return;
    g_written = true;
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("TARNOVELLE_PROFILE_FILE", path, MAX_PATH)) return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    char line[160];
    DWORD written = 0;
    int length = wsprintfA(line, "frequency\t%I64d\r\n", frequency.QuadPart);
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    for (int i = 0; i < g_count; ++i) {
        length = wsprintfA(line, "%s\t%I64d\r\n", g_moments[i].step, g_moments[i].counter);
        WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    }
    CloseHandle(file);
}

}  // namespace profile
