#include "platform/win32/sound.h"

#include <windows.h>
#include <mmsystem.h>

namespace platform::win32 {

namespace {
// Played as a system sound (SND_SYSTEM, which the toolchain's headers lack).
constexpr DWORD kSndSystem = 0x00200000;
}  // namespace

void PlayNotificationSound() {
    // The event's key is there wherever Windows knows the event, with its
    // sound (or none) as the scheme's current one.
    const bool has_notification_event =
        RegGetValueW(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\.Default\\Notification.Default\\.Current",
                     nullptr, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    // Never the default beep in its place, and at the volume the user gives
    // system sounds.
    PlaySoundW(has_notification_event ? L"Notification.Default" : L"SystemNotification", nullptr,
               SND_ALIAS | SND_ASYNC | SND_NODEFAULT | kSndSystem);
}

}  // namespace platform::win32
