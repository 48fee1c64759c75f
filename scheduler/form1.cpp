#include "scheduler/form1.h"

#include <utility>
#include <vector>

#include "platform/text.h"
#include "resources/resource.h"
#include "scheduler/beat.h"
#include "scheduler/clock_text.h"
#include "scheduler/select_file.h"
#include "scheduler/worktime.h"
#include "windows/form1_design.h"

namespace scheduler {

using namespace windows;

namespace {

constexpr const wchar_t* kCaptionArmed = L"Tarnovelle - At: ";
constexpr const wchar_t* kMsgSelectAll = L"You must select hour, minuts, seconds and action!!";
constexpr const wchar_t* kMsgWillHide =
    L"This window will now be hided! You can call it by rigth clicking the icon on tray!";
constexpr const wchar_t* kPickerTitle = L"Select the file to run...";
constexpr const wchar_t* kMsgRefused = L"The action could not be carried out: ";
constexpr const wchar_t* kMsgEndedWithCode = L" ended with code ";
// A balloon from the tray icon on waking: what the machine slept through,
// then the time the schedule is still set for.
constexpr const wchar_t* kMsgSleptAtTime =
    L"The computer was asleep at the set time, so nothing was done. Still set for ";
constexpr const wchar_t* kMsgSleptAtWarning =
    L"The computer was asleep at the warning time, so no warning was shown. Still set for ";
// The notice a minute before a system action: what will happen and when;
// and once its "15 more minutes" has postponed the action, the same with
// the new time.
struct Announcement {
    const wchar_t* action;
    const wchar_t* notice;
    const wchar_t* postponed;
};
constexpr Announcement kAnnouncements[] = {
    {kActionShutdown, L"The computer will shut down at ", L"Postponed: the computer will shut down at "},
    {kActionRestart, L"The computer will restart at ", L"Postponed: the computer will restart at "},
    {kActionLogOff, L"You will be logged off at ", L"Postponed: you will be logged off at "},
};

// Nothing for an action that is no system action ("Run File...").
const Announcement* AnnouncementOf(const std::wstring& action) {
    for (const Announcement& a : kAnnouncements)
        if (action == a.action) return &a;
    return nullptr;
}

// The started program sees exactly these command lines.
constexpr const wchar_t* kCmdShutdown = L"shutdown.exe -s -t 0";
constexpr const wchar_t* kCmdRestart = L"shutdown.exe -r -t 0";
constexpr const wchar_t* kCmdLogOff = L"shutdown.exe -l";

}  // namespace

Form1::Form1(platform::IFormHost& host, const platform::Services& services)
    : Me(host.Me()),
      Combo1(host.List(kCombo1)),
      Combo2(host.List(kCombo2)),
      Combo3(host.List(kCombo3)),
      Combo4(host.List(kCombo4)),
      ntime(host.TextBox(kNtime)),
      Text1(host.TextBox(kText1)),
      Text2(host.TextBox(kText2)),
      Timer1(host.Timer(kTimer1)),
      Timer2(host.Timer(kTimer2)),
      Timer3(host.Timer(kTimer3)),
      Timer4(host.Timer(kTimer4)),
      Command1(host.Button(kCommand1)),
      mnuPopUp(host.Menu(kMnuPopUp)),
      services_(services) {}

tray::clsTrayIcon& Form1::Tray() {
    if (!TrayIcon)
        TrayIcon = std::make_unique<tray::clsTrayIcon>(services_.notify_area, services_.code_page,
                                                       services_.screen);
    return *TrayIcon;
}

// ---- Life cycle -------------------------------------------------------------

void Form1::Form_Initialize() { services_.app.InitCommonControls(); }

void Form1::Form_Load() {
    // A failing step is skipped, so the window always opens.
    platform::ErrorTrap trap;
    platform::Handle hwnd = 0;
    std::wstring caption;
    trap.Step([&] { hwnd = Me.hWnd(); });
    trap.Step([&] { tray_picture_ = services_.resources.LoadIconPicture(IDI_TRAY); });
    trap.Step([&] { caption = Me.Caption(); });
    trap.Step([&] { Tray(); });
    trap.Step([&] { Tray().fn_ShowIcon(hwnd, tray_picture_.get(), caption); });
    trap.Step([&] { WatchTrayIcon(); });
    trap.Clear();
}

void Form1::Form_Unload() {
    StayAwake(false);
    Tray().fn_HideIcon(Me.hWnd());
}

void Form1::Form_MouseMove(std::int16_t Button, std::int16_t /*Shift*/, float X, float Y) {
    Tray().fn_MouseMove(&Me, Button, X, Y, platform::kStateNormal, &mnuPopUp);
}

void Form1::Form_TaskbarCreated() {
    // The shell forgot every icon; without ours a hidden, armed window could
    // no longer be reached. Add it again with the record as it stands.
    if (!TrayIcon) return;
    TrayIcon->fn_RestoreIcon();
    WatchTrayIcon();
}

void Form1::Timer4_Timer() {
    if (TrayIcon) TrayIcon->fn_RestoreIcon();
    WatchTrayIcon();
}

// Keeps trying, slowly, while the shell has not taken the icon.
void Form1::WatchTrayIcon() {
    Timer4.SetEnabled(!TrayIcon || !TrayIcon->IconPresent());
}

void Form1::EndAtOnce() {
    // No unload handler runs, but no dead icon is left behind either.
    StayAwake(false);
    if (TrayIcon) TrayIcon->fn_HideIcon(Me.hWnd());
    services_.process.EndNow();
}

void Form1::StayAwake(bool on) {
    if (awake_ == on) return;
    services_.power.KeepAwake(on);
    awake_ = on;
}

// ---- Arming -----------------------------------------------------------------

bool Form1::SelectionsComplete() {
    const std::wstring hour = Combo1.Text();
    const std::wstring minute = Combo2.Text();
    const std::wstring second = Combo3.Text();
    const std::wstring action = Combo4.Text();
    if (hour.empty() || minute.empty() || second.empty() || action.empty()) {
        services_.message_box.Show(Me.hWnd(), kMsgSelectAll, L"Error!",
                                   platform::kMbOk | platform::kMbIconCritical);
        return false;
    }
    return true;
}

void Form1::ComposeTargetTime() {
    TargetTime = Combo1.Text() + L":" + Combo2.Text() + L":" + Combo3.Text();
}

void Form1::StartTriggers(bool with_warning) {
    // Only what passes from now on counts as passed: a time that lay
    // between the triggers' last looks before arming is not this arming's.
    const Look now{ntime.Text(), beat_steady_ms_};
    timer2_seen_ = now;
    timer3_seen_ = now;
    Timer2.SetEnabled(true);
    // The short path arms no warning; one left from an earlier arming would
    // announce the old time, and cancelling it would disarm this one.
    Timer3.SetEnabled(with_warning);
    // Nor a notice, which goes with the warning. Measured from the clock
    // itself: the text shown may be a beat old.
    notice_time_ = with_warning
                       ? NoticeTime(ClockText(services_.clock.Now()), TargetTime).value_or(L"")
                       : L"";
    notice_told_ = false;  // a notice told before is an earlier arming's
    StayAwake(true);
}

void Form1::TellWindowHides() {
    services_.message_box.Show(Me.hWnd(), kMsgWillHide, L"Attention!",
                               platform::kMbOk | platform::kMbIconInformation);
}

void Form1::HideToTray() {
    // Hidden, the window can only come back through its tray icon; without
    // one it waits minimised on the taskbar instead.
    if (TrayIcon && TrayIcon->IconPresent()) {
        Me.Hide();
    } else {
        Me.SetWindowState(platform::kStateMinimized);
        WatchTrayIcon();
    }
}

void Form1::Label2_Click() {
    if (!SelectionsComplete()) return;
    if (Combo4.Text() == kActionRunFile) {
        // Without a file there is nothing to arm: leave everything as it was.
        const std::optional<std::wstring> picked = Select_File(kPickerTitle, Me, L"*");
        if (!picked || picked->empty()) return;
        FileToRun = *picked;
    }
    ComposeTargetTime();
    Worktime(Combo3.Text());
    Me.SetCaption(kCaptionArmed + TargetTime);
    services_.forms.CloseNotice();  // an earlier arming's
    StartTriggers(true);
    TellWindowHides();
    HideToTray();
}

void Form1::Command1_Click() {
    if (!SelectionsComplete()) return;
    if (Combo4.Text() == kActionRunFile) {
        services_.message_box.Show(Me.hWnd(), L"Select", kProductName, platform::kMbOk);
        return;
    }
    ComposeTargetTime();
    Me.SetCaption(kCaptionArmed + TargetTime);
    services_.forms.CloseNotice();
    StartTriggers(false);
    Command1.SetEnabled(false);
    TellWindowHides();
    HideToTray();
}

void Form1::Worktime(const std::wstring& Wtime) {
    WarnTime = Combo1.Text() + L":" + Combo2.Text() + L":" + WarnSecond(Wtime);
}

std::optional<std::wstring> Form1::Select_File(const std::wstring& Desc,
                                               platform::IWindow& MyForm,
                                               const std::wstring& flType) {
    platform::OpenFileNameRecord record =
        PickerRecord(MyForm.hWnd(), services_.app.Instance(), services_.app.CurrentDirectory(),
                     Desc, flType);
    if (!services_.file_dialog.GetOpenFileName(record)) return std::nullopt;
    return PickedPath(record.lpstrFile);
}

// ---- Clock and triggers -------------------------------------------------------

void Form1::Timer1_Timer() {
    const std::int64_t steady = services_.clock.SteadyMs();
    ntime.SetText(ClockText(services_.clock.Now()));
    // A beat that came early, or unasked (the clock changed), came on time.
    beat_late_ms_ = beat_due_ms_ && steady > *beat_due_ms_ ? steady - *beat_due_ms_ : 0;
    beat_steady_ms_ = steady;
    beat_due_ms_.reset();
    slept_through_told_ = false;
}

platform::BeatRequest Form1::NextBeat() {
    // A beat that is due and has not come yet (the program was held up) is
    // not put off by asking again: it comes at once, as late as it is.
    if (beat_due_ms_ && services_.clock.SteadyMs() >= *beat_due_ms_) return {0, 0};
    std::vector<std::wstring> armed;
    if (Timer2.Enabled()) armed.push_back(TargetTime);
    if (Timer3.Enabled()) {
        armed.push_back(WarnTime);
        if (!notice_time_.empty()) armed.push_back(notice_time_);
    }
    const bool clock_seen = Me.Visible() && Me.WindowState() != platform::kStateMinimized;
    const platform::BeatRequest next = scheduler::NextBeat(services_.clock.Now(), clock_seen, armed);
    beat_due_ms_ = services_.clock.SteadyMs() + next.delay_ms;
    return next;
}

void Form1::StartSystemCommand(const wchar_t* command_line) {
    // By full path: a shutdown.exe in the program's or the current folder
    // must never run in place of the system's. Its end is reported back, so
    // a refusal is not taken for success.
    started_command_ = command_line;
    services_.process.Start(services_.app.SystemDirectory() + L"\\shutdown.exe", command_line,
                            platform::kSwShowMinimized, Me.hWnd());
}

// The schedule has run: nothing is left to warn about or to stay awake for.
void Form1::Fired() {
    Timer2.SetEnabled(false);
    Timer3.SetEnabled(false);
    services_.forms.CloseNotice();
    StayAwake(false);
}

// Nothing is done on waking (an action on waking, in a bag or a meeting, is
// what a user least wants), and the schedule stays as it is; but the caption
// still shows the time as if nothing had happened, and the action now comes
// a day later than the user may think, so they are told. Once a beat: the
// action trigger ticks before the warning trigger, so a sleep over both
// tells of the action.
void Form1::TellSleptThrough(const wchar_t* what_was_missed) {
    if (slept_through_told_ || !TrayIcon) return;
    slept_through_told_ = true;
    TrayIcon->fn_ShowBalloon(kProductName, what_was_missed + TargetTime + L".");
}

// A minute before a system action armed with a warning: a window of its
// own, which a user in a full-screen program sees where a notification
// would be held back. The action is read from Combo4 now, as the action
// trigger reads it when it fires: a change after arming changes what the
// notice says, or (to "Run File...", which needs no saving of work)
// silences it.
void Form1::TellNotice() {
    notice_time_.clear();  // once per arming
    const Announcement* told = AnnouncementOf(Combo4.Text());
    if (!told) return;
    services_.forms.ShowNotice(told->notice + TargetTime + L".");
    notice_told_ = true;
}

// The notice's "15 more minutes". Only this arming's notice postpones, and
// only while the second it told of is still ahead: none makes the action
// come sooner. The new time is armed as Set Action arms the lists' time:
// the lists show it, the caption tells it, the warning comes before it and
// a new notice a minute before it, which can postpone again.
void Form1::Notice_MoreTime() {
    if (!notice_told_ || !Timer2.Enabled() || !Timer3.Enabled()) return;
    const Announcement* told = AnnouncementOf(Combo4.Text());
    const std::optional<std::wstring> later =
        PostponedTime(ClockText(services_.clock.Now()), TargetTime);
    if (!told || !later) return;
    Combo1.SetText(later->substr(0, 2));
    Combo2.SetText(later->substr(3, 2));
    Combo3.SetText(later->substr(6, 2));
    ComposeTargetTime();
    Worktime(Combo3.Text());
    Me.SetCaption(kCaptionArmed + TargetTime);
    StartTriggers(true);
    services_.forms.ConfirmNotice(told->postponed + TargetTime + L".");
}

void Form1::Timer2_Timer() {
    const Look now{ntime.Text(), beat_steady_ms_};
    const Look previous = std::exchange(timer2_seen_, now);
    if (ArmedSecondSleptThrough(previous, now, beat_late_ms_, TargetTime))
        TellSleptThrough(kMsgSleptAtTime);
    if (!ArmedSecondReached(previous, now, beat_late_ms_, TargetTime)) return;
    const std::wstring action = Combo4.Text();
    if (action == kActionShutdown) {
        StartSystemCommand(kCmdShutdown);
        Fired();
    } else if (action == kActionRestart) {
        StartSystemCommand(kCmdRestart);
        Fired();
    } else if (action == kActionRunFile) {
        services_.shell.Execute(0, L"", FileToRun, L"", L"", platform::kSwShowNormal);
        Fired();
        EndAtOnce();
    } else if (action == kActionLogOff) {
        StartSystemCommand(kCmdLogOff);
        Fired();
    }
}

void Form1::Timer3_Timer() {
    const Look now{ntime.Text(), beat_steady_ms_};
    const Look previous = std::exchange(timer3_seen_, now);
    if (ArmedSecondSleptThrough(previous, now, beat_late_ms_, WarnTime))
        TellSleptThrough(kMsgSleptAtWarning);
    // A notice second passed untold (a sleep, a long stall, the clock set
    // on) stays due: it is told if it comes round again before the action.
    if (!notice_time_.empty() && NoticeDue(previous, now, beat_late_ms_, notice_time_))
        TellNotice();
    if (ArmedSecondReached(previous, now, beat_late_ms_, WarnTime)) {
        // The last chance takes over: the notice goes, and with it its
        // 15 more minutes.
        services_.forms.CloseNotice();
        notice_told_ = false;
        services_.forms.ShowAttention();
    }
}

void Form1::Form_ProgramEnded(std::uint32_t exit_code) {
    if (exit_code == 0) return;
    // Refused (a shutdown already pending, no privilege, a policy): say so,
    // and be ready to arm again, as after a cancel.
    services_.message_box.Show(Me.hWnd(),
                               kMsgRefused + started_command_ + kMsgEndedWithCode +
                                   platform::UnsignedDecimal(exit_code),
                               kProductName,
                               platform::kMbOk | platform::kMbIconExclamation |
                                   platform::kMbSetForeground | platform::kMbTopmost);
    cancelzop_Click();
}

void Form1::cancelzop_Click() {
    Timer2.SetEnabled(false);
    Timer3.SetEnabled(false);  // no warning for a schedule that was called off
    // Nor one left on screen saying the action is about to run: called off
    // from the tray (the keyboard's way there), the warning goes too.
    services_.forms.CloseAttention();
    services_.forms.CloseNotice();
    Command1.SetEnabled(true);
    Me.SetCaption(kProductName);
    // Armed without a tray icon, the window waited minimised: bring it back.
    if (Me.WindowState() == platform::kStateMinimized) Me.SetWindowState(platform::kStateNormal);
    Me.Show();
    StayAwake(false);
}

// ---- Small commands -------------------------------------------------------------

void Form1::itmShowMainWindow_Click() { Me.Show(); }
void Form1::itmAbout_Click() { services_.forms.ShowAbout(); }
void Form1::Command2_Click() { services_.forms.ShowAbout(); }
void Form1::Label3_Click() { services_.forms.ShowAbout(); }
void Form1::itmExit_Click() { Me.Unload(); }
void Form1::Command3_Click() { EndAtOnce(); }
void Form1::Label4_Click() { EndAtOnce(); }
void Form1::Combo1_Click() { Text2.SetText(Combo1.Text()); }
void Form1::Combo4_Click() { Text1.SetText(Combo4.Text()); }

// ---- Events to handlers -----------------------------------------------------------

void Form1::Click(int id) {
    switch (id) {
        case kLabel2: Label2_Click(); break;
        case kCommand1: Command1_Click(); break;
        case kCommand2: Command2_Click(); break;
        case kCommand3: Command3_Click(); break;
        case kLabel3: Label3_Click(); break;
        case kLabel4: Label4_Click(); break;
        case kCancelzop: cancelzop_Click(); break;
        case kItmShowMainWindow: itmShowMainWindow_Click(); break;
        case kItmAbout: itmAbout_Click(); break;
        case kItmExit: itmExit_Click(); break;
        default: break;
    }
}

void Form1::Change(int id) {
    if (id == kCombo1) Combo1_Click();
    if (id == kCombo4) Combo4_Click();
}

void Form1::Tick(int id) {
    switch (id) {
        case kTimer1: Timer1_Timer(); break;
        case kTimer2: Timer2_Timer(); break;
        case kTimer3: Timer3_Timer(); break;
        case kTimer4: Timer4_Timer(); break;
        default: break;
    }
}

void Form1::MouseMove(int button, int shift, float x, float y) {
    Form_MouseMove(static_cast<std::int16_t>(button), static_cast<std::int16_t>(shift), x, y);
}

}  // namespace scheduler
