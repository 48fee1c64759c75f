// The program's single notification-area (tray) icon.
//
// The icon is registered so that the system reports every event on it to
// the main window with a message of the program's own; the window relays
// that message, and only that, as its mouse-move event whose horizontal
// coordinate carries the event's number (the mouse message), and the main window forwards it to fn_MouseMove, which decodes
// that coordinate. A real movement of the mouse over the window is never
// relayed, so it is never taken for an event on the icon, however wide the
// window is at the display's scale.
// No operation reports a failure: each runs its steps in continue-on-error
// mode and clears the pending error at its end.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tray {

class clsTrayIcon {
public:
    // The record as the program holds it: the tip in the program's own text.
    struct TrayData {
        std::uint32_t cbSize = 0;
        std::uint32_t hWnd = 0;
        std::uint32_t uID = 0;
        std::uint32_t uFlags = 0;
        std::uint32_t uCallbackMessage = 0;
        std::uint32_t hIcon = 0;
        wchar_t szTip[64] = {};
    };

    clsTrayIcon(platform::INotifyArea& notify_area, platform::ICodePage& code_page,
                platform::IScreen& screen);
    clsTrayIcon(const clsTrayIcon&) = delete;
    clsTrayIcon& operator=(const clsTrayIcon&) = delete;

    // Adds the icon for frm_hWnd. Always 0.
    std::int32_t fn_ShowIcon(platform::Handle frm_hWnd, const platform::IPicture* ob_Icon,
                             const std::wstring& st_Tooltip);
    // Removes the icon named by frm_hWnd and id 1. Always 0.
    std::int32_t fn_HideIcon(platform::Handle frm_hWnd);
    // Adds the icon again as the record stands (the shell restarted, or an
    // earlier add was refused); when the shell refuses the add, asks it to
    // change the icon instead, which tells whether it holds the icon after
    // all. Always 0.
    std::int32_t fn_RestoreIcon();
    // Shows a balloon from the icon, titled st_Title and saying st_Text, for
    // the user to see without the window. Nothing when the icon was never
    // added; a balloon the system cannot show (no icon, balloons switched
    // off) is not reported. The icon's own record is left as it is.
    // Always 0.
    std::int32_t fn_ShowBalloon(const std::wstring& st_Title, const std::wstring& st_Text);
    // Whether the shell accepted the icon at the last add, restore or
    // removal. An armed window is hidden only while its icon is there.
    bool IconPresent() const { return icon_present_; }
    // Decodes a forwarded mouse-move event: a left double-click shows
    // ob_Form, a right-button release pops up ob_PopupMenu. Returns the
    // number of the error pending at the end, 0 if none.
    std::int32_t fn_MouseMove(platform::IWindow* ob_Form, std::int16_t Button, float X, float Y,
                              std::int16_t int_ShowWindState, platform::IMenu* ob_PopupMenu);

    // The record in its 88-byte form, the tip in the ANSI code page.
    platform::NotifyIconData88 Packed() const;

    const TrayData& udt_TrayData() const { return tray_data_; }
    std::int32_t lng_TrayMsg() const { return tray_msg_; }
    bool bln_Busy() const { return busy_; }

private:
    platform::INotifyArea& notify_area_;
    platform::ICodePage& code_page_;
    platform::IScreen& screen_;

    TrayData tray_data_;
    std::int32_t tray_msg_ = 0;
    bool busy_ = false;
    bool icon_present_ = false;
};

// X (twips) over the twips per pixel, rounded to the nearest integer with
// halves to the even neighbour. Raises an overflow error when the quotient
// is not a number or does not fit 32 bits, and division by zero for a zero
// scale.
std::int32_t DecodeTrayMessage(float x, float twips_per_pixel);

// The 64-character tip field: the text and one NUL, padded with spaces, cut
// at 64 characters.
void FillTipField(wchar_t (&field)[64], const std::wstring& tooltip);

// The tip field in the ANSI code page, whole characters only, at most 64
// bytes; bytes a character could not fill are NUL.
void PackTip(char (&out)[64], const wchar_t (&field)[64], platform::ICodePage& code_page);

}  // namespace tray
