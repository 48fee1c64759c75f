#include "app/app.h"

#include <array>
#include <memory>

#include "platform/forms.h"
#include "platform/win32/form_window.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/profile.h"
#include "platform/win32/services.h"
#include "scheduler/form1.h"
#include "windows/about.h"
#include "windows/attention.h"
#include "windows/form1_design.h"
#include "windows/notice.h"

namespace app {
namespace {

using platform::win32::FormWindow;

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

class Program final : public platform::IForms, public platform::win32::IFormOwner {
public:
    explicit Program(HINSTANCE instance)
        : instance_(instance), app_(instance), resources_(instance),
          services_{message_box_, process_,   shell_,     file_dialog_, clock_, power_,
                    app_,         screen_,    code_page_, resources_,   notify_area_, *this} {}

    int Run() {
        MainForm().Me.Show();
        PROFILE_STEP("shown");
        return platform::win32::RunMessageLoop([this](HWND root) {
            for (const FormWindow* w : Windows())
                if (w && w->Window() == root) return true;
            return false;
        });
    }

    // IForms
    void CancelSchedule() override { MainForm().Click(windows::kCancelzop); }
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
        for (const FormWindow* w : Windows())
            if (w && w->Loaded()) return;
        PostQuitMessage(0);
    }

    [[noreturn]] void Fatal(const platform::Error& error) override {
        if (reporting_) ExitProcess(1);
        reporting_ = true;
        // Nothing may run behind the report, and no trigger may fire twice.
        for (FormWindow* w : Windows())
            if (w) w->StopTimers();
        platform::win32::ShowErrorReport(error, scheduler::kProductName);
        // The main window's unload takes its icon away (and lets the system
        // sleep again); nothing of it may stop the end.
        try {
            if (main_.Loaded()) main_.logic->Unload();
        } catch (...) {
        }
        ExitProcess(1);
    }

private:
    // Each window is created and loaded on first use, and again after it
    // was unloaded.
    scheduler::Form1& MainForm() {
        Open(main_, windows::Form1Design(), services_);
        return *main_.logic;
    }

    template <class Logic, class Arg>
    void Open(Slot<Logic>& slot, const platform::FormDesign& design, Arg&& arg) {
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

    std::array<FormWindow*, 4> Windows() const {
        return {main_.window.get(), attention_.window.get(), notice_.window.get(), about_.window.get()};
    }

    HINSTANCE instance_;
    platform::win32::MessageBoxService message_box_;
    platform::win32::ProcessService process_;
    platform::win32::ShellService shell_;
    platform::win32::FileDialogService file_dialog_;
    platform::win32::ClockService clock_;
    platform::win32::PowerService power_;
    platform::win32::AppService app_;
    platform::win32::ScreenService screen_;
    platform::win32::CodePageService code_page_;
    platform::win32::ResourceService resources_;
    platform::win32::NotifyAreaService notify_area_;
    platform::Services services_;
    bool reporting_ = false;

    Slot<scheduler::Form1> main_;
    Slot<windows::Attention> attention_;
    Slot<windows::Notice> notice_;
    Slot<windows::fAbout> about_;
};

}  // namespace

int Run(HINSTANCE instance) {
    Program program(instance);
    try {
        return program.Run();
    } catch (const platform::Error& error) {
        program.Fatal(error);
    } catch (const std::bad_alloc&) {
        program.Fatal(platform::Error{platform::kErrOutOfMemory, L"Out of memory"});
    }
}

}  // namespace app
