// The main window's code: arming the schedule, the clock and the two
// triggers, the actions, the program picker, and the window's own life
// cycle and small commands.
//
// The schedule lives in three texts. Times are never converted to numbers:
// the triggers compare the clock text with the armed times exactly.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/forms.h"
#include "platform/platform.h"
#include "scheduler/clock_text.h"
#include "tray/cls_tray_icon.h"

namespace scheduler {

inline constexpr const wchar_t* kProductName = L"Tarnovelle";

class Form1 : public platform::IFormEvents {
public:
    Form1(platform::IFormHost& host, const platform::Services& services);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // The window and its controls, by their design names.
    platform::IWindow& Me;
    platform::IListBox& Combo1;  // hour
    platform::IListBox& Combo2;  // minute
    platform::IListBox& Combo3;  // second
    platform::IListBox& Combo4;  // action
    platform::ITextBox& ntime;   // the clock text
    platform::ITextBox& Text1;
    platform::ITextBox& Text2;
    platform::ITimer& Timer1;    // clock
    platform::ITimer& Timer2;    // action trigger
    platform::ITimer& Timer3;    // warning trigger
    platform::ITimer& Timer4;    // retries the tray icon while the shell refuses it
    platform::ICommandButton& Command1;
    platform::IMenu& mnuPopUp;

    // The schedule.
    std::wstring TargetTime;
    std::wstring WarnTime;
    std::wstring FileToRun;

    // The tray icon's manager, once made (its first use is the load), for
    // what it shows of its state.
    const tray::clsTrayIcon* TrayIconMade() const { return TrayIcon.get(); }

    // Handlers.
    void Form_Initialize();
    void Form_Load();
    void Form_Unload();
    void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Form_TaskbarCreated();
    // The minute's notice's "15 more minutes".
    void Notice_MoreTime();
    void Label2_Click();    // full arming: every action, with a warning first
    void Command1_Click();  // short arming: no warning, no file
    void Command2_Click();
    void Command3_Click();
    void Label3_Click();
    void Label4_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();    // the warning, and a minute before it the notice
    void Timer4_Timer();
    // The shutdown.exe the action started has ended.
    void Form_ProgramEnded(std::uint32_t exit_code);
    void cancelzop_Click();
    void itmShowMainWindow_Click();
    void itmAbout_Click();
    void itmExit_Click();
    void Combo1_Click();
    void Combo4_Click();

    // Sets WarnTime from the armed hour and minute and the seconds text.
    void Worktime(const std::wstring& Wtime);
    // The open-file dialog; the chosen path, or nothing when the user
    // cancelled or the dialog failed.
    std::optional<std::wstring> Select_File(const std::wstring& Desc, platform::IWindow& MyForm,
                                            const std::wstring& flType);

    // platform::IFormEvents
    void Initialize() override { Form_Initialize(); }
    void Load() override { Form_Load(); }
    void Unload() override { Form_Unload(); }
    void Click(int id) override;
    void Change(int id) override;
    void Tick(int id) override;
    void MouseMove(int button, int shift, float x, float y) override;
    void TaskbarCreated() override { Form_TaskbarCreated(); }
    void ProgramEnded(std::uint32_t exit_code) override { Form_ProgramEnded(exit_code); }
    // Every second while the clock is seen; hidden, at the armed seconds (the
    // notice's too) and at each minute's start (scheduler/beat.h).
    platform::BeatRequest NextBeat() override;

private:
    bool SelectionsComplete();
    void ComposeTargetTime();
    void StartTriggers(bool with_warning);
    void TellWindowHides();
    void HideToTray();
    void StartSystemCommand(const wchar_t* command_line);
    void Fired();
    void StayAwake(bool on);
    void WatchTrayIcon();
    void TellSleptThrough(const wchar_t* what_was_missed);
    void TellNotice();
    void EndAtOnce();
    tray::clsTrayIcon& Tray();

    std::unique_ptr<tray::clsTrayIcon> TrayIcon;  // created on first use
    const platform::Services services_;
    // The tray icon's picture, kept while the icon may have to be added again.
    std::unique_ptr<platform::IPicture> tray_picture_;
    // The current beat: when it came on the steady clock, and how long after
    // it was due (scheduler/clock_text.h); when the next one is due.
    std::int64_t beat_steady_ms_ = 0;
    std::int64_t beat_late_ms_ = 0;
    std::optional<std::int64_t> beat_due_ms_;
    // What each trigger saw at its previous look at the clock.
    Look timer2_seen_;
    Look timer3_seen_;
    // When the minute's notice of this arming is due, while it is still to
    // be told (empty otherwise); its trigger is the warning's, Timer3.
    std::wstring notice_time_;
    // The notice of this arming was told: its "15 more minutes" may postpone it.
    bool notice_told_ = false;
    // The user was told, on this beat, of a time the machine slept through.
    bool slept_through_told_ = false;
    // The command line the action started last.
    std::wstring started_command_;
    bool awake_ = false;  // the system is asked not to sleep
};

}  // namespace scheduler
