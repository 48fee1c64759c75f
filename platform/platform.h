// The seam between the program's logic and the system: small interfaces for
// exactly what the windows' code uses. platform/win32 implements them with
// the real API; the unit tests have a recording substitute.
//
// Every operation may raise platform::Error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/error.h"
#include "platform/records.h"

namespace platform {

// ---- Controls of a window -------------------------------------------------

class IListBox {  // a drop-down list: its text is the chosen item's, or empty
public:
    virtual ~IListBox() = default;
    virtual std::wstring Text() const = 0;
    // Chooses the item whose text is `text` exactly, as a pick would show it
    // (no change event); raises when the list offers no such item.
    virtual void SetText(const std::wstring& text) = 0;
};

class ITextBox {
public:
    virtual ~ITextBox() = default;
    virtual std::wstring Text() const = 0;
    virtual void SetText(const std::wstring& text) = 0;
};

class ILabel {
public:
    virtual ~ILabel() = default;
    virtual std::wstring Caption() const = 0;
    virtual void SetCaption(const std::wstring& caption) = 0;
    // Hidden, a label takes no click and no focus (a drawn button that had
    // the focus hands it on).
    virtual void SetVisible(bool visible) = 0;
};

class ITimer {
public:
    virtual ~ITimer() = default;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

class ICommandButton {
public:
    virtual ~ICommandButton() = default;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

class IMenu {  // a pop-up menu of a window, named by its top level
public:
    virtual ~IMenu() = default;
};

constexpr int kStateNormal = 0;
constexpr int kStateMinimized = 1;
constexpr int kStateMaximized = 2;

class IWindow {
public:
    virtual ~IWindow() = default;
    virtual Handle hWnd() const = 0;
    virtual std::wstring Caption() const = 0;
    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual bool Visible() const = 0;
    virtual void Show() = 0;  // modeless, no owner; brings the window forward
    virtual void Hide() = 0;
    virtual int WindowState() const = 0;
    virtual void SetWindowState(int state) = 0;
    // Pops the menu up at the mouse position; returns when it closes.
    virtual void PopupMenu(IMenu& menu) = 0;
    // Runs the window's unload handler and destroys it.
    virtual void Unload() = 0;
};

// What a window's code gets of its own window: the window and its controls,
// each by the control's id in the window's design.
class IFormHost {
public:
    virtual ~IFormHost() = default;
    virtual IWindow& Me() = 0;
    virtual IListBox& List(int id) = 0;
    virtual ITextBox& TextBox(int id) = 0;
    virtual ILabel& Label(int id) = 0;
    virtual ITimer& Timer(int id) = 0;
    virtual ICommandButton& Button(int id) = 0;
    virtual IMenu& Menu(int id) = 0;
};

// When a window's beat should next come.
struct BeatRequest {
    int delay_ms = -1;     // from now; negative: no beat is needed
    int tolerance_ms = 0;  // how much later the system may let it come, to
                           // wake the machine once for several programs
};

// The events a window's code handles. The window procedure turns messages
// into these calls; the window's code turns them into its named handlers.
class IFormEvents {
public:
    virtual ~IFormEvents() = default;
    virtual void Initialize() {}
    virtual void Load() {}
    virtual void Unload() {}
    virtual void Click(int /*id*/) {}
    virtual void Change(int /*id*/) {}
    virtual void Tick(int /*timer id*/) {}
    // The notification icon's event (kTrayCallbackMessage), as a mouse move
    // whose X, in twips, carries the event's number in pixels; Button,
    // Shift and Y are 0. A real mouse move over the window is not one.
    virtual void MouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}
    // The notification area was created anew (the shell restarted).
    virtual void TaskbarCreated() {}
    // A program started for this window ended (IProcess::Start).
    virtual void ProgramEnded(std::uint32_t /*exit_code*/) {}
    // When the window's beat should next come: the moment its timers that
    // tick on the beat tick together (design.h). Asked after each beat and
    // whenever what the beat depends on may have changed.
    virtual BeatRequest NextBeat() { return {}; }
};

// ---- Services of the system -----------------------------------------------

// Message-box styles and answers used by the program.
constexpr unsigned kMbOk = 0;
constexpr unsigned kMbIconCritical = 16;
constexpr unsigned kMbIconExclamation = 48;
constexpr unsigned kMbIconInformation = 64;
constexpr unsigned kMbSetForeground = 0x10000;
constexpr unsigned kMbTopmost = 0x40000;
constexpr int kIdOk = 1;

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Modal; returns the button the user chose.
    virtual int Show(Handle owner, const std::wstring& text, const std::wstring& title,
                     unsigned style) = 0;
};

constexpr int kSwShowNormal = 1;
constexpr int kSwShowMinimized = 2;  // minimized, with focus

class IProcess {
public:
    virtual ~IProcess() = default;
    // Starts `application` with `command_line` as the command line it sees.
    // When it ends, the window `notify` (0: none) gets ProgramEnded with its
    // exit code, on the window's own thread; nothing waits for it meanwhile.
    virtual void Start(const std::wstring& application, const std::wstring& command_line,
                       int show, Handle notify) = 0;
    // Ends the process at once, without any unload handler. Does not return
    // in the real program.
    virtual void EndNow() = 0;
};

class IShell {
public:
    virtual ~IShell() = default;
    // ShellExecute: an empty verb, parameters or directory is passed as none.
    // Returns the shell's result (above 32 on success).
    virtual long Execute(Handle owner, const std::wstring& verb, const std::wstring& file,
                         const std::wstring& parameters, const std::wstring& directory,
                         int show) = 0;
};

class IFileDialog {
public:
    virtual ~IFileDialog() = default;
    // GetOpenFileName: true on success, with the record's buffers updated.
    virtual bool GetOpenFileName(OpenFileNameRecord& record) = 0;
};

class IPower {
public:
    virtual ~IPower() = default;
    // While on, the system does not sleep for idleness; a sleep the user
    // asks for still happens.
    virtual void KeepAwake(bool on) = 0;
};

// A local wall-clock time, 24-hour.
struct LocalTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class IClock {
public:
    virtual ~IClock() = default;
    // The local time as the system's clock shows it: set by hand or by time
    // synchronisation, it can step forward or back, and it steps an hour at
    // the changes of daylight saving time.
    virtual LocalTime Now() = 0;
    // Real time in milliseconds from a fixed start: never set, and running on
    // while the machine sleeps or hibernates.
    virtual std::int64_t SteadyMs() = 0;
};

struct VersionNumbers {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

class IApp {  // facts about the running program
public:
    virtual ~IApp() = default;
    virtual Handle Instance() = 0;
    virtual std::wstring Path() = 0;              // the program's own folder
    virtual std::wstring CurrentDirectory() = 0;
    virtual std::wstring SystemDirectory() = 0;
    virtual VersionNumbers Version() = 0;         // from the version record
    virtual void InitCommonControls() = 0;
};

class IScreen {
public:
    virtual ~IScreen() = default;
    virtual float TwipsPerPixelX() = 0;
};

class ICodePage {
public:
    virtual ~ICodePage() = default;
    // The text in the system's ANSI code page.
    virtual std::string ToAnsi(const std::wstring& text) = 0;
};

class IPicture {
public:
    virtual ~IPicture() = default;
    virtual Handle Value() const = 0;  // the picture's handle
};

class IResources {  // the program's own resources
public:
    virtual ~IResources() = default;
    virtual std::unique_ptr<IPicture> LoadIconPicture(int id) = 0;
};

class INotifyArea {
public:
    virtual ~INotifyArea() = default;
    // Shell_NotifyIcon with the 88-byte record; the system's answer.
    virtual bool NotifyIcon(std::uint32_t message, const NotifyIconData88& record) = 0;
    // Shell_NotifyIcon with the later record, for a balloon; the system's answer.
    virtual bool NotifyIcon(std::uint32_t message, const NotifyIconDataV2& record) = 0;
};

class IForms;  // the program's windows, one instance each

// Everything a window's code reaches outside its own window.
struct Services {
    IMessageBox& message_box;
    IProcess& process;
    IShell& shell;
    IFileDialog& file_dialog;
    IClock& clock;
    IPower& power;
    IApp& app;
    IScreen& screen;
    ICodePage& code_page;
    IResources& resources;
    INotifyArea& notify_area;
    IForms& forms;
};

}  // namespace platform
