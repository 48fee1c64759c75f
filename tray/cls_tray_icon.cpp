#include "tray/cls_tray_icon.h"

#include <cmath>
#include <cstring>

namespace tray {

using platform::ErrorTrap;
using platform::Raise;

namespace {
constexpr std::uint32_t kRecordSize = 88;
constexpr std::uint32_t kIconId = 1;
constexpr std::uint32_t kFlags = platform::kNifMessage | platform::kNifIcon | platform::kNifTip;
constexpr int kErrDivisionByZero = 11;
// As long as the system lets a balloon stay (it may keep it shorter): the
// user may be only just back at the machine.
constexpr std::uint32_t kBalloonMs = 30000;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
}  // namespace

std::int32_t DecodeTrayMessage(float x, float twips_per_pixel) {
    if (twips_per_pixel == 0.0f) Raise(kErrDivisionByZero, L"Division by zero");
    const float quotient = x / twips_per_pixel;
    if (!std::isfinite(quotient)) Raise(platform::kErrOverflow, L"Overflow");
    // The default rounding mode rounds halves to the even neighbour.
    const double rounded = std::nearbyint(static_cast<double>(quotient));
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        Raise(platform::kErrOverflow, L"Overflow");
    return static_cast<std::int32_t>(rounded);
}

void FillTipField(wchar_t (&field)[64], const std::wstring& tooltip) {
    std::wstring text = tooltip;
    text.push_back(L'\0');
    for (std::size_t i = 0; i < 64; ++i) field[i] = i < text.size() ? text[i] : L' ';
}

void PackTip(char (&out)[64], const wchar_t (&field)[64], platform::ICodePage& code_page) {
    std::memset(out, 0, sizeof out);
    std::size_t used = 0;
    for (std::size_t i = 0; i < 64;) {
        // A surrogate pair is one character and is converted whole.
        const std::size_t units =
            (IsHighSurrogate(field[i]) && i + 1 < 64 && IsLowSurrogate(field[i + 1])) ? 2 : 1;
        const std::string bytes = code_page.ToAnsi(std::wstring(field + i, units));
        if (bytes.size() > sizeof out - used) break;  // never half a character
        std::memcpy(out + used, bytes.data(), bytes.size());
        used += bytes.size();
        i += units;
    }
}

clsTrayIcon::clsTrayIcon(platform::INotifyArea& notify_area, platform::ICodePage& code_page,
                         platform::IScreen& screen)
    : notify_area_(notify_area), code_page_(code_page), screen_(screen) {}

platform::NotifyIconData88 clsTrayIcon::Packed() const {
    platform::NotifyIconData88 record{};
    record.cbSize = tray_data_.cbSize;
    record.hWnd = tray_data_.hWnd;
    record.uID = tray_data_.uID;
    record.uFlags = tray_data_.uFlags;
    record.uCallbackMessage = tray_data_.uCallbackMessage;
    record.hIcon = tray_data_.hIcon;
    PackTip(record.szTip, tray_data_.szTip, code_page_);
    return record;
}

std::int32_t clsTrayIcon::fn_ShowIcon(platform::Handle frm_hWnd, const platform::IPicture* ob_Icon,
                                      const std::wstring& st_Tooltip) {
    ErrorTrap trap;
    tray_data_.cbSize = kRecordSize;
    tray_data_.hWnd = frm_hWnd;
    tray_data_.uID = kIconId;
    tray_data_.uFlags = kFlags;
    tray_data_.uCallbackMessage = platform::kTrayCallbackMessage;
    trap.Step([&] {
        if (!ob_Icon) Raise(platform::kErrObjectNotSet, L"Object variable not set");
        tray_data_.hIcon = ob_Icon->Value();
    });
    trap.Step([&] { FillTipField(tray_data_.szTip, st_Tooltip); });
    icon_present_ = false;
    trap.Step([&] { icon_present_ = notify_area_.NotifyIcon(platform::kNimAdd, Packed()); });
    trap.Clear();
    return 0;
}

std::int32_t clsTrayIcon::fn_RestoreIcon() {
    ErrorTrap trap;
    if (tray_data_.cbSize == 0) return 0;  // never shown: nothing to restore
    icon_present_ = false;
    trap.Step([&] { icon_present_ = notify_area_.NotifyIcon(platform::kNimAdd, Packed()); });
    if (!icon_present_)
        trap.Step([&] { icon_present_ = notify_area_.NotifyIcon(platform::kNimModify, Packed()); });
    trap.Clear();
    return 0;
}

std::int32_t clsTrayIcon::fn_ShowBalloon(const std::wstring& st_Title,
                                         const std::wstring& st_Text) {
    ErrorTrap trap;
    if (tray_data_.cbSize == 0) return 0;  // never shown: no icon to speak from
    trap.Step([&] {
        platform::NotifyIconDataV2 record;
        record.cbSize = platform::kNotifyIconDataV2Size;
        record.hWnd = tray_data_.hWnd;
        record.uID = kIconId;
        record.uFlags = platform::kNifInfo;  // the balloon only: icon and tip stay
        record.szInfo = st_Text;
        record.uTimeout = kBalloonMs;
        record.szInfoTitle = st_Title;
        // Quiet: a balloon tells what happened, nothing calls for a sound.
        record.dwInfoFlags = platform::kNiifInfo | platform::kNiifNoSound;
        notify_area_.NotifyIcon(platform::kNimModify, record);
    });
    trap.Clear();
    return 0;
}

std::int32_t clsTrayIcon::fn_HideIcon(platform::Handle frm_hWnd) {
    ErrorTrap trap;
    tray_data_.cbSize = kRecordSize;
    tray_data_.hWnd = frm_hWnd;
    tray_data_.uID = kIconId;
    trap.Step([&] { notify_area_.NotifyIcon(platform::kNimDelete, Packed()); });
    icon_present_ = false;
    trap.Clear();
    return 0;
}

std::int32_t clsTrayIcon::fn_MouseMove(platform::IWindow* ob_Form, std::int16_t /*Button*/,
                                       float X, float /*Y*/, std::int16_t int_ShowWindState,
                                       platform::IMenu* ob_PopupMenu) {
    ErrorTrap trap;
    // Decoded on every call, also while an earlier call is still acting.
    trap.Step([&] { tray_msg_ = DecodeTrayMessage(X, screen_.TwipsPerPixelX()); });
    if (!busy_) {
        struct BusyFlag {
            bool& flag;
            explicit BusyFlag(bool& f) : flag(f) { flag = true; }
            ~BusyFlag() { flag = false; }
        } busy(busy_);
        auto form = [&]() -> platform::IWindow& {
            if (!ob_Form) Raise(platform::kErrObjectNotSet, L"Object variable not set");
            return *ob_Form;
        };
        if (tray_msg_ == static_cast<std::int32_t>(platform::kWmLButtonDblClk)) {
            trap.Step([&] {
                if (form().WindowState() == platform::kStateMinimized)
                    form().SetWindowState(int_ShowWindState);
            });
            trap.Step([&] { form().Show(); });
        }
        if (tray_msg_ == static_cast<std::int32_t>(platform::kWmRButtonUp)) {
            // The menu's own message loop may call back in here before it
            // returns; busy_ keeps such calls from acting.
            trap.Step([&] {
                if (ob_PopupMenu) form().PopupMenu(*ob_PopupMenu);
            });
        }
    }
    const std::int32_t result = trap.PendingNumber();
    trap.Clear();
    return result;
}

}  // namespace tray
