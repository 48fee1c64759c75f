#include "platform/win32/message_loop.h"

#include "platform/text.h"

namespace platform::win32 {

namespace {

// Tab and the arrows are the keyboard's way around a window: from then on
// its focus marks show, as Windows' dialog manager does it.
bool Navigates(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    switch (msg.wParam) {
        case VK_TAB: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: return true;
        default: return false;
    }
}

void ShowFocusCues(HWND root) {
    SendMessageW(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

}  // namespace

int RunMessageLoop(const std::function<bool(HWND root)>& ours) {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Only keys concern the dialog manager; the clock's ticks skip it.
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
            HWND root = GetAncestor(msg.hwnd, GA_ROOT);
            if (root && ours(root)) {
                if (Navigates(msg)) ShowFocusCues(root);
                if (IsDialogMessageW(root, &msg)) continue;
            }
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void ShowErrorReport(const Error& error, const std::wstring& title) {
    const std::wstring text = L"Run-time error '" + Decimal(error.number) + L"':\n\n" + error.description;
    MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace platform::win32
