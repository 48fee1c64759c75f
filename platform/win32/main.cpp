// The program: its windows, one instance of each, the message loop, and the
// standard error report.
#include <windows.h>
#include <ole2.h>

#include <memory>

#include "platform/forms.h"
#include "platform/text.h"
#include "platform/win32/form_window.h"
#include "platform/win32/profile.h"
#include "platform/win32/services.h"
#include "scheduler/form1.h"
#include "windows/about.h"
#include "windows/attention.h"
#include "windows/form1_design.h"
#include "windows/notice.h"

namespace platform::win32 {
namespace {

// A window and its code; the code refers to the window, so it goes first.
template <class Logic>
struct Slot {
    std::unique_ptr<FormWindow> window;
    std::unique_ptr<Logic> logic;

    bool Loaded() const { return window && window->Loaded(); }
    void Reset() {
        logic.reset();
        window.reset();
    }
    ~Slot() { Reset(); }
};

class App final : public IForms, public IFormOwner {
public:
    explicit App(HINSTANCE instance)
        : instance_(instance), app_(instance), resources_(instance),
          services_{message_box_, process_,   shell_,     file_dialog_, clock_, power_,
                    app_,         screen_,    code_page_, resources_,   notify_area_, *this} {}

    int Run() {
        MainForm().Me.Show();
        PROFILE_STEP("shown");
        MSG msg{};
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            // Tab and Enter move between and press the controls. Only keys
            // concern the dialog manager; the clock's ticks skip it.
            if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
                HWND root = GetAncestor(msg.hwnd, GA_ROOT);
                if (root && IsOurs(root)) {
                    if (Navigates(msg)) ShowFocusCues(root);
                    if (IsDialogMessageW(root, &msg)) continue;
                }
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return static_cast<int>(msg.wParam);
    }

    // Each window is created and loaded on first use, and again after it
    // was unloaded.
    scheduler::Form1& MainForm() {
        Open(main_, windows::Form1Design(), services_);
        return *main_.logic;
    }

    // IForms
    void CancelSchedule() override { MainForm().cancelzop_Click(); }
    void ShowAttention() override {
        Open(attention_, windows::AttentionDesign(), static_cast<IForms&>(*this));
        attention_.window->Show();
    }
    void CloseAttention() override {
        if (attention_.Loaded()) attention_.window->Unload();
    }
    void ShowNotice(const std::wstring& words) override {
        Open(notice_, windows::NoticeDesign(), static_cast<IForms&>(*this));
        notice_.logic->Tell(words);
        notice_.window->Show();
    }
    void ConfirmNotice(const std::wstring& words) override {
        Open(notice_, windows::NoticeDesign(), static_cast<IForms&>(*this));
        notice_.logic->Confirm(words);
        notice_.window->Show();
    }
    void CloseNotice() override {
        if (notice_.Loaded()) notice_.window->Unload();
    }
    void PostponeSchedule() override { MainForm().Notice_MoreTime(); }
    void ShowAbout() override {
        // Without owner and not modal: it stays when the main window goes.
        Open(about_, windows::AboutDesign(), services_);
        about_.window->Show();
    }

    // IFormOwner
    void WindowDestroyed(FormWindow&) override {
        // The program ends when none of its windows is left loaded.
        if (!main_.Loaded() && !attention_.Loaded() && !about_.Loaded() && !notice_.Loaded())
            PostQuitMessage(0);
    }

    [[noreturn]] void Fatal(const Error& error) override {
        if (reporting_) ExitProcess(1);
        reporting_ = true;
        // Nothing may run behind the report, and no trigger may fire twice.
        for (FormWindow* w : {main_.window.get(), attention_.window.get(), about_.window.get(),
                              notice_.window.get()})
            if (w) w->StopTimers();
        const std::wstring text = L"Run-time error '" + platform::Decimal(error.number) + L"':\n\n" +
                                  error.description;
        MessageBoxW(nullptr, text.c_str(), scheduler::kProductName,
                    MB_OK | MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND);
        if (main_.Loaded() && main_.logic->TrayIcon)
            main_.logic->TrayIcon->fn_HideIcon(main_.window->hWnd());
        ExitProcess(1);
    }

private:
    template <class Logic, class Arg>
    void Open(Slot<Logic>& slot, const FormDesign& design, Arg&& arg) {
        if (slot.Loaded()) return;
        // The old instance was unloaded; none of its code is running now.
        slot.Reset();
        slot.window = std::make_unique<FormWindow>(design, instance_, *this);
        PROFILE_STEP("controls made");
        slot.logic = std::make_unique<Logic>(*slot.window, arg);
        slot.window->Attach(*slot.logic);
        slot.logic->Initialize();
        PROFILE_STEP("common controls");
        slot.window->Load();
    }

    // Tab and the arrows are the keyboard's way around a window: from then
    // on its focus marks show, as Windows' dialog manager does it.
    static bool Navigates(const MSG& msg) {
        if (msg.message != WM_KEYDOWN) return false;
        switch (msg.wParam) {
            case VK_TAB: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: return true;
            default: return false;
        }
    }
    static void ShowFocusCues(HWND root) {
        SendMessageW(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }

    bool IsOurs(HWND root) const {
        return (main_.window && main_.window->Window() == root) ||
               (attention_.window && attention_.window->Window() == root) ||
               (about_.window && about_.window->Window() == root) ||
               (notice_.window && notice_.window->Window() == root);
    }

    HINSTANCE instance_;
    MessageBoxService message_box_;
    ProcessService process_;
    ShellService shell_;
    FileDialogService file_dialog_;
    ClockService clock_;
    PowerService power_;
    AppService app_;
    ScreenService screen_;
    CodePageService code_page_;
    ResourceService resources_;
    NotifyAreaService notify_area_;
    Services services_;
    bool reporting_ = false;

    Slot<scheduler::Form1> main_;
    Slot<windows::Attention> attention_;
    Slot<windows::fAbout> about_;
    Slot<windows::Notice> notice_;
};

}  // namespace
}  // namespace platform::win32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    PROFILE_STEP("C runtime");
    // The picture loader and the shell want the thread's COM apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    PROFILE_STEP("COM");
    platform::win32::App app(instance);
    int result = 0;
    try {
        result = app.Run();
    } catch (const platform::Error& error) {
        app.Fatal(error);
    } catch (const std::bad_alloc&) {
        app.Fatal(platform::Error{platform::kErrOutOfMemory, L"Out of memory"});
    }
    CoUninitialize();
    return result;
}
