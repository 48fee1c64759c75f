// The system's services as the program uses them, with the real API.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace platform::win32 {

// Twips per screen pixel, horizontally (15 at 96 pixels per inch).
float ScreenTwipsPerPixelX();

std::string ToAnsi(const std::wstring& text);

// Messages the program's windows get from outside their own code:
// a program started with IProcess::Start ended (lParam: its exit code) ...
constexpr UINT kMsgProgramEnded = WM_APP + 1;
// ... the notification icon's events (platform/records.h) ...
constexpr UINT kMsgTrayIcon = platform::kTrayCallbackMessage;
static_assert(kMsgTrayIcon == WM_APP + 2, "a message of the program's own, apart from the others");
// ... and the shell's notification area was made anew.
UINT TaskbarCreatedMessage();

class MessageBoxService final : public IMessageBox {
public:
    int Show(Handle owner, const std::wstring& text, const std::wstring& title,
             unsigned style) override;
};

class ProcessService final : public IProcess {
public:
    void Start(const std::wstring& application, const std::wstring& command_line, int show,
               Handle notify) override;
    void EndNow() override;
};

class ShellService final : public IShell {
public:
    long Execute(Handle owner, const std::wstring& verb, const std::wstring& file,
                 const std::wstring& parameters, const std::wstring& directory,
                 int show) override;
};

class FileDialogService final : public IFileDialog {
public:
    bool GetOpenFileName(OpenFileNameRecord& record) override;
};

class PowerService final : public IPower {
public:
    void KeepAwake(bool on) override;
};

class ClockService final : public IClock {
public:
    LocalTime Now() override;
    // The tick count, which counts the time the machine slept.
    std::int64_t SteadyMs() override { return static_cast<std::int64_t>(GetTickCount64()); }
};

class AppService final : public IApp {
public:
    explicit AppService(HINSTANCE instance) : instance_(instance) {}
    Handle Instance() override;
    std::wstring Path() override;
    std::wstring CurrentDirectory() override;
    std::wstring SystemDirectory() override;
    VersionNumbers Version() override;
    void InitCommonControls() override;

private:
    HINSTANCE instance_;
};

class ScreenService final : public IScreen {
public:
    float TwipsPerPixelX() override { return ScreenTwipsPerPixelX(); }
};

class CodePageService final : public ICodePage {
public:
    std::string ToAnsi(const std::wstring& text) override { return win32::ToAnsi(text); }
};

class ResourceService final : public IResources {
public:
    explicit ResourceService(HINSTANCE instance) : instance_(instance) {}
    std::unique_ptr<IPicture> LoadIconPicture(int id) override;

private:
    HINSTANCE instance_;
};

class NotifyAreaService final : public INotifyArea {
public:
    bool NotifyIcon(std::uint32_t message, const NotifyIconData88& record) override;
    bool NotifyIcon(std::uint32_t message, const NotifyIconDataV2& record) override;
};

}  // namespace platform::win32
