// The sound Windows plays with a notification, as the user's sound scheme
// has it.
#pragma once

namespace platform::win32 {

// Starts the notification sound and returns at once: the "Notification"
// event of Windows 8 and later, or "System Notification", the balloons'
// sound, on Windows 7, which has no such event. A scheme that gives the
// event no sound (the "No Sounds" scheme among them) plays nothing.
void PlayNotificationSound();

}  // namespace platform::win32
