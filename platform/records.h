// The platform's records that the program fills itself, in the layouts the
// program hands to the system. The real window layer checks these layouts
// against the system headers at compile time.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using Handle = std::uint32_t;  // window, icon and instance handles of a 32-bit program

// The notification-area record in its 88-byte ANSI form (NOTIFYICONDATAA up
// to szTip).
struct NotifyIconData88 {
    std::uint32_t cbSize;
    std::uint32_t hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    std::uint32_t hIcon;
    char szTip[64];
};
static_assert(sizeof(NotifyIconData88) == 88, "the record must be 88 bytes");

// The later notification-area record (NOTIFYICONDATAW up to dwInfoFlags,
// 936 bytes), for a balloon from the icon: the icon's name and the balloon's
// fields. The other fields of that layout (callback, icon, tip, state) are
// left out, as uFlags never names them. The texts are held as text here; the
// real layer copies them into the record's fields, cutting what does not fit
// (more than 255 characters of text, 63 of title).
struct NotifyIconDataV2 {
    std::uint32_t cbSize = 0;
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::wstring szInfo;
    std::uint32_t uTimeout = 0;  // ms the balloon stays, where the system lets it
    std::wstring szInfoTitle;
    std::uint32_t dwInfoFlags = 0;
};

constexpr std::uint32_t kNotifyIconDataV2Size = 936;

constexpr std::uint32_t kNimAdd = 0;
constexpr std::uint32_t kNimModify = 1;
constexpr std::uint32_t kNimDelete = 2;
constexpr std::uint32_t kNifMessage = 1;
constexpr std::uint32_t kNifIcon = 2;
constexpr std::uint32_t kNifTip = 4;
constexpr std::uint32_t kNifInfo = 0x10;
constexpr std::uint32_t kNiifInfo = 1;        // the balloon's information icon
constexpr std::uint32_t kNiifNoSound = 0x10;
constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
constexpr std::uint32_t kWmRButtonUp = 0x0205;
// The message the shell sends the icon's window with each of its events
// (the event in lParam's low word, the icon's id in wParam): one of the
// program's own (WM_APP + 2), so that nothing else the window gets is ever
// taken for one. Its window relays it, and only it, as the window's
// mouse-move event whose X carries the event.
constexpr std::uint32_t kTrayCallbackMessage = 0x8002;

// The open-file dialog's record in its 76-byte form (OPENFILENAME without
// the fields of later system versions). Strings are held as text here; the
// real layer hands them to the wide dialog, so any path can be chosen, and
// the two buffers back afterwards. Field order is the record's.
struct OpenFileNameRecord {
    std::uint32_t lStructSize = 0;
    Handle hwndOwner = 0;
    Handle hInstance = 0;
    std::wstring lpstrFilter;        // pairs of NUL-terminated texts
    std::wstring lpstrCustomFilter;  // none
    std::uint32_t nMaxCustFilter = 0;
    std::uint32_t nFilterIndex = 0;
    std::wstring lpstrFile;          // in: initial contents; out: the result
    std::uint32_t nMaxFile = 0;
    std::wstring lpstrFileTitle;
    std::uint32_t nMaxFileTitle = 0;
    std::wstring lpstrInitialDir;
    std::wstring lpstrTitle;
    std::uint32_t Flags = 0;
    std::uint16_t nFileOffset = 0;
    std::uint16_t nFileExtension = 0;
    std::wstring lpstrDefExt;        // none
    std::uint32_t lCustData = 0;
    std::uint32_t lpfnHook = 0;      // none
    std::wstring lpTemplateName;     // none
};

constexpr std::uint32_t kOpenFileNameSize = 76;

}  // namespace platform
