// The program's entry point. Before the C runtime starts, before any
// constructor runs and before the program asks for any DLL, Windows is told
// to look for DLLs in the system folder only.
//
// People run the program from wherever it was downloaded to, a folder that
// also holds whatever else the browser saved there. Windows looks for a DLL
// that is not one of its KnownDLLs in the program's own folder first, so a
// version.dll or uxtheme.dll lying beside the exe would run inside it. The
// exe therefore imports only kernel32 and the C runtime (both KnownDLLs,
// mapped before this code runs); every other system DLL is delay-loaded on
// its first call, which comes after the lock below.
#include <windows.h>

#include "platform/win32/profile.h"

extern "C" int WinMainCRTStartup(void);  // the C runtime's own start-up

namespace {

// Where a system lacks SetDefaultDllDirectories (Windows 7 without update
// KB2533623), these are loaded by their full system-folder path before
// anything asks for them by name; a later request by name gets the module
// already loaded. The common controls are not among them: they come from
// the side-by-side assembly the manifest names, not from the system folder.
constexpr const wchar_t* kSystemDlls[] = {
    L"user32.dll",  L"gdi32.dll",   L"comdlg32.dll", L"shell32.dll",  L"ole32.dll",
    L"oleaut32.dll", L"oleacc.dll", L"version.dll",  L"uxtheme.dll",  L"dwmapi.dll",
    L"propsys.dll", L"shlwapi.dll", L"imm32.dll",    L"msctf.dll",    L"cryptbase.dll",
    L"windowscodecs.dll", L"profapi.dll", L"userenv.dll", L"sspicli.dll", L"ntmarta.dll",
    L"msimg32.dll", L"winmm.dll",
};

void PreloadFromSystemFolder() {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 20 >= MAX_PATH) return;
    path[length] = L'\\';
    for (const wchar_t* name : kSystemDlls) {
        lstrcpynW(path + length + 1, name, MAX_PATH - static_cast<int>(length) - 1);
        // The DLL's own dependencies are looked for beside it first.
        LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

void LockDllSearchPath() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
    if (set_default && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        // Wine resolves its own DLLs' delay-loads through the program's folder
        // even so; the one on the program's way (the theme's msimg32, for its
        // first blended drawing) is loaded from the system folder first.
        LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return;
    }
    // The current folder leaves the search; the program's own folder cannot.
    SetDllDirectoryW(L"");
    PreloadFromSystemFolder();
}

}  // namespace

// The delay-load import libraries place one descriptor per DLL in .text$2;
// sections sort by name, so this all-zero one ends their table, as the
// delay-import directory of the exe's header expects (the link's last step,
// cmake/delay-directory.py, fills that directory in).
extern "C" __attribute__((section(".text$3"), aligned(4))) const unsigned char
    tarnovelle_delay_descriptors_end[32] = {};

// Named as the exe's entry point at link time (-e). The stack is aligned for
// the C runtime, as its own entry point does.
extern "C" __attribute__((force_align_arg_pointer)) int TarnovelleStart(void) {
    // The end of the table is referred to from here, so the link keeps it.
    asm volatile("" : : "r"(tarnovelle_delay_descriptors_end));
    PROFILE_STEP("entry");
    LockDllSearchPath();
    PROFILE_STEP("DLL search locked");
    return WinMainCRTStartup();
}
