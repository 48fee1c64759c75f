// A hook DLL through which the tests act from inside the program's own
// process, where some things can only be done: a message whose lParam
// points into the receiver's memory, a contrast theme (which Wine never
// reports), and counting what the process holds. The driver hooks the
// window's thread with InsideHook (WH_GETMESSAGE), then posts the window the
// registered message "TarnovelleSendInside" with a global atom in lParam
// whose text is one of
//
//   <message> <wParam> <left> <top> <right> <bottom>
//       sends the window <message> with <wParam> and a pointer to that RECT
//   contrast <0|1> [settings] [theme] [restore] [<index>=<RRGGBB> ...]
//       from now on SystemParametersInfo(SPI_GETHIGHCONTRAST) in this
//       process says the theme is off or on; "settings" and "theme" send the
//       thread's windows WM_SETTINGCHANGE (SPI_SETHIGHCONTRAST) and
//       WM_THEMECHANGED, as Windows does when a theme is turned on or off;
//       then the system colours given are set (or, with "restore", those
//       from before the first change), which sends WM_SYSCOLORCHANGE
//   count <file>
//       writes to <file> the process's live GDI objects ("gdi=N", then each
//       kind's count) and its windows ("windows=N"), children included
//   cursor <file>
//       writes to <file> the hotspot and width of the mouse cursor the
//       program shows now ("6 0 32")
//
// (numbers in decimal). The hook swallows the posted message and deletes
// the atom when done, which tells the driver.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

// ---- A contrast theme, as the program's process sees it ----------------------

bool g_contrast_on = false;
BYTE* g_query = nullptr;   // SystemParametersInfoW's first bytes
BYTE g_original[5];        // as they were
BYTE g_jump[5];            // a jump to ReportedQuery
// The colours from before the first change of each.
int g_saved_index[32];
COLORREF g_saved_colour[32];
int g_saved_count = 0;

void WriteCode(const BYTE (&bytes)[5]) {
    DWORD old = 0;
    VirtualProtect(g_query, sizeof bytes, PAGE_EXECUTE_READWRITE, &old);
    std::memcpy(g_query, bytes, sizeof bytes);
    VirtualProtect(g_query, sizeof bytes, old, &old);
    FlushInstructionCache(GetCurrentProcess(), g_query, sizeof bytes);
}

// Answers the contrast theme's query; everything else is the system's.
BOOL WINAPI ReportedQuery(UINT action, UINT param, PVOID value, UINT update) {
    if (action == SPI_GETHIGHCONTRAST && value) {
        auto* theme = static_cast<HIGHCONTRASTW*>(value);
        theme->dwFlags = HCF_AVAILABLE | HCF_HOTKEYAVAILABLE | (g_contrast_on ? HCF_HIGHCONTRASTON : 0);
        return TRUE;
    }
    WriteCode(g_original);
    const BOOL result = reinterpret_cast<decltype(&SystemParametersInfoW)>(g_query)(action, param, value, update);
    WriteCode(g_jump);
    return result;
}

bool ReplaceQuery() {
    if (g_query) return true;
    // The program's calls land here for as long as it runs: stay loaded.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&ReportedQuery), &self);
    g_query = reinterpret_cast<BYTE*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoW"));
    if (!g_query) return false;
    std::memcpy(g_original, g_query, sizeof g_original);
    g_jump[0] = 0xE9;  // jmp rel32
    const INT_PTR offset = reinterpret_cast<BYTE*>(&ReportedQuery) - (g_query + 5);
    std::memcpy(g_jump + 1, &offset, 4);
    WriteCode(g_jump);
    return true;
}

BOOL CALLBACK SendToWindow(HWND hwnd, LPARAM message) {
    SendMessageW(hwnd, static_cast<UINT>(message),
                 message == WM_SETTINGCHANGE ? SPI_SETHIGHCONTRAST : 0, 0);
    return TRUE;
}

// The next word of `text` (words apart by spaces), from `at` on.
bool NextWord(const wchar_t*& at, wchar_t (&word)[64]) {
    while (*at == L' ') ++at;
    int n = 0;
    while (*at && *at != L' ') {
        if (n < 63) word[n++] = *at;
        ++at;
    }
    word[n] = L'\0';
    return n > 0;
}

void Save(int index) {
    for (int i = 0; i < g_saved_count; ++i)
        if (g_saved_index[i] == index) return;
    if (g_saved_count == 32) return;
    g_saved_index[g_saved_count] = index;
    g_saved_colour[g_saved_count++] = GetSysColor(index);
}

void Contrast(const wchar_t* words) {
    if (!ReplaceQuery()) return;
    int indexes[32];
    COLORREF colours[32];
    int count = 0;
    bool settings = false, theme = false, restore = false;
    wchar_t word[64];
    g_contrast_on = NextWord(words, word) && word[0] == L'1';
    while (NextWord(words, word)) {
        unsigned index = 0, rgb = 0;
        if (!std::wcscmp(word, L"settings")) settings = true;
        else if (!std::wcscmp(word, L"theme")) theme = true;
        else if (!std::wcscmp(word, L"restore")) restore = true;
        else if (count < 32 && std::swscanf(word, L"%u=%x", &index, &rgb) == 2) {
            indexes[count] = static_cast<int>(index);
            colours[count++] = RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
        }
    }
    if (settings) EnumThreadWindows(GetCurrentThreadId(), SendToWindow, WM_SETTINGCHANGE);
    if (theme) EnumThreadWindows(GetCurrentThreadId(), SendToWindow, WM_THEMECHANGED);
    for (int i = 0; i < count; ++i) Save(indexes[i]);
    if (restore && g_saved_count) SetSysColors(g_saved_count, g_saved_index, g_saved_colour);
    else if (count) SetSysColors(count, indexes, colours);
}

// ---- What the process holds ------------------------------------------------------

struct Windows {
    DWORD pid;
    int count;
};

BOOL CALLBACK CountChild(HWND, LPARAM found) {
    ++reinterpret_cast<Windows*>(found)->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<Windows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != found->pid) return TRUE;
    ++found->count;
    EnumChildWindows(hwnd, CountChild, param);
    return TRUE;
}

void Count(const wchar_t* path) {
    // Wine's table of GDI objects is indexed by a handle's low 16 bits.
    int by_kind[OBJ_COLORSPACE + 1] = {};
    int gdi = 0;
    for (UINT_PTR value = 16; value <= 0xFFFF; ++value) {
        const DWORD kind = GetObjectType(reinterpret_cast<HGDIOBJ>(value));
        if (!kind) continue;
        ++gdi;
        if (kind <= OBJ_COLORSPACE) ++by_kind[kind];
    }
    Windows windows{GetCurrentProcessId(), 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    FILE* out = _wfopen(path, L"w");
    if (!out) return;
    std::fprintf(out, "gdi=%d\nwindows=%d\n", gdi, windows.count);
    static const char* const kKinds[] = {"", "pen", "brush", "dc", "metadc", "palette", "font",
                                         "bitmap", "region", "metafile", "memdc", "extpen",
                                         "enhmetadc", "enhmetafile", "colorspace"};
    for (int kind = 1; kind <= OBJ_COLORSPACE; ++kind)
        if (by_kind[kind]) std::fprintf(out, "%s=%d\n", kKinds[kind], by_kind[kind]);
    std::fclose(out);
}

void Cursor(const wchar_t* path) {
    ICONINFO info{};
    BITMAP mask{};
    const HCURSOR cursor = GetCursor();
    if (!cursor || !GetIconInfo(cursor, &info)) return;
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    FILE* out = _wfopen(path, L"w");
    if (!out) return;
    std::fprintf(out, "%lu %lu %ld\n", info.xHotspot, info.yHotspot, mask.bmWidth);
    std::fclose(out);
}

void Send(HWND hwnd, const wchar_t* text) {
    unsigned message = 0, param = 0;
    RECT rect{};
    if (std::swscanf(text, L"%u %u %ld %ld %ld %ld", &message, &param, &rect.left, &rect.top,
                     &rect.right, &rect.bottom) == 6)
        SendMessageW(hwnd, message, param, reinterpret_cast<LPARAM>(&rect));
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK InsideHook(int code, WPARAM wparam, LPARAM lparam) {
    static const UINT trigger = RegisterWindowMessageW(L"TarnovelleSendInside");
    auto* msg = reinterpret_cast<MSG*>(lparam);
    if (code == HC_ACTION && wparam == PM_REMOVE && msg->message == trigger) {
        wchar_t text[256] = {};
        const ATOM atom = static_cast<ATOM>(msg->lParam);
        if (GlobalGetAtomNameW(atom, text, 256)) {
            if (!std::wcsncmp(text, L"contrast ", 9)) Contrast(text + 9);
            else if (!std::wcsncmp(text, L"count ", 6)) Count(text + 6);
            else if (!std::wcsncmp(text, L"cursor ", 7)) Cursor(text + 7);
            else Send(msg->hwnd, text);
            GlobalDeleteAtom(atom);  // done: the driver waits for the atom to go
        }
        msg->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
