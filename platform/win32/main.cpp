// The Windows entry point: the thread's COM apartment, then the program
// (app/app.h). The DLL search was locked before this runs (dll_lock.cpp).
#include <windows.h>
#include <ole2.h>

#include "app/app.h"
#include "platform/win32/profile.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    PROFILE_STEP("C runtime");
    // The picture loader and the shell want the thread's COM apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    PROFILE_STEP("COM");
    const int result = app::Run(instance);
    CoUninitialize();
    return result;
}
