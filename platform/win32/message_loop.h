// The program's message loop, and the standard error report.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/error.h"

namespace platform::win32 {

// Runs until WM_QUIT; its exit code. Keys for the program's own windows
// (`ours`, asked of a top-level window) go through the dialog manager
// first, so that Tab, Enter and Esc move between and press their controls.
int RunMessageLoop(const std::function<bool(HWND root)>& ours);

// The standard error report: a task-modal box titled `title` naming the
// error, in front of whatever the user is doing.
void ShowErrorReport(const Error& error, const std::wstring& title);

}  // namespace platform::win32
