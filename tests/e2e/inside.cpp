// A hook DLL through which the tests send a window a message that only its
// own process can send: one whose lParam points into the receiver's memory.
// The driver hooks the window's thread with InsideHook (WH_GETMESSAGE),
// then posts the window the registered message "TarnovelleSendInside" with
// a global atom in lParam whose text is
//
//   <message> <wParam> <left> <top> <right> <bottom>
//
// (decimal). Inside the program the hook sends the window <message> with
// <wParam> and a pointer to that RECT, swallows the posted message and
// deletes the atom, which tells the driver it is done.
#include <windows.h>

#include <cwchar>

extern "C" __declspec(dllexport) LRESULT CALLBACK InsideHook(int code, WPARAM wparam, LPARAM lparam) {
    static const UINT trigger = RegisterWindowMessageW(L"TarnovelleSendInside");
    auto* msg = reinterpret_cast<MSG*>(lparam);
    if (code == HC_ACTION && wparam == PM_REMOVE && msg->message == trigger) {
        wchar_t text[128] = {};
        const ATOM atom = static_cast<ATOM>(msg->lParam);
        if (GlobalGetAtomNameW(atom, text, 128)) {
            unsigned message = 0, param = 0;
            RECT rect{};
            if (std::swscanf(text, L"%u %u %ld %ld %ld %ld", &message, &param, &rect.left, &rect.top,
                             &rect.right, &rect.bottom) == 6)
                SendMessageW(msg->hwnd, message, param, reinterpret_cast<LPARAM>(&rect));
            GlobalDeleteAtom(atom);  // done: the driver waits for the atom to go
        }
        msg->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
