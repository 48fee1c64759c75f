// A minute's notice before a shutdown, restart or log-off armed with a
// warning: a window of its own, once, a minute before the time.
#include <functional>
#include <utility>

#include "scheduler/beat.h"
#include "scheduler/clock_text.h"
#include "tests/unit/form1_fixture.h"
#include "windows/notice.h"

namespace fake {
namespace {

using namespace windows;
using scheduler::ClockText;
using scheduler::NoticeDue;
using scheduler::NoticeTime;
using scheduler::PostponedTime;

constexpr std::int64_t kHour = 60 * 60 * 1000;

TEST(NoticeTime, AMinuteBeforeTheArmedSecondWhenArmedAMinuteAndAHalfAheadOrMore) {
    struct Case {
        const wchar_t* now;
        const wchar_t* armed;
        const wchar_t* notice;  // nullptr: none
        const wchar_t* later;   // after a click on the notice in its second
    };
    const Case table[] = {
        {L"08:00:00", L"10:00:15", L"09:59:15", L"10:15:15"},  // two hours ahead
        {L"08:00:05", L"08:01:35", L"08:00:35", L"08:16:35"},  // a minute and a half
        {L"08:00:06", L"08:01:35", nullptr},                    // a second less
        {L"08:00:35", L"08:01:35", nullptr},                    // a minute
        {L"08:01:35", L"08:01:35", nullptr},                    // now: it fires at once
        {L"23:58:00", L"00:00:10", L"23:59:10", L"00:15:10"},  // the notice before midnight
        {L"23:59:50", L"00:01:59", L"00:00:59", L"00:16:59"},  // both after it
        {L"10:00:00", L"09:59:50", L"09:58:50", L"10:14:50"},  // tomorrow's
        {L"10:40:00", L"10:50:15", L"10:49:15", L"11:05:15"},  // later over the hour
        {L"23:40:00", L"23:50:10", L"23:49:10", L"00:05:10"},  // and over midnight
        {L"", L"10:00:15", nullptr},
        {L"08:00:00", L"10:00:1", nullptr},
    };
    for (const Case& c : table) {
        const std::optional<std::wstring> notice = NoticeTime(c.now, c.armed);
        EXPECT_EQ(notice.has_value(), c.notice != nullptr)
            << Narrow(c.now) << " " << Narrow(c.armed);
        if (!notice || !c.notice) continue;
        EXPECT_EQ(*notice, c.notice) << Narrow(c.armed);
        EXPECT_EQ(PostponedTime(*notice, c.armed).value_or(L""), c.later) << Narrow(c.armed);
        // Never before the notice's minute, at the armed second or after it.
        EXPECT_FALSE(PostponedTime(c.now, c.armed) || PostponedTime(c.armed, c.armed) ||
                     PostponedTime(c.later, c.armed)) << Narrow(c.armed);
    }
}

TEST(NoticeDue, AtItsSecondOrAtTheFirstBeatAfterItWhileHalfItsMinuteIsLeft) {
    struct Case {
        const wchar_t* previous;
        const wchar_t* now;
        std::int64_t real_ms;  // between the two looks
        std::int64_t late_ms;  // how long after it was due the beat of `now` came
        bool due;
    };
    // Told at 09:59:15, for 10:00:15.
    const Case table[] = {
        {L"09:59:14", L"09:59:15", 1000, 0, true},
        {L"09:59:13", L"09:59:14", 1000, 0, false},       // before it
        {L"09:59:15", L"09:59:16", 1000, 0, false},       // seen already
        {L"09:59:00", L"09:59:40", 40000, 25000, true},   // a stall: late
        {L"09:59:00", L"09:59:45", 45000, 30000, true},   // 30 s left
        {L"09:59:00", L"09:59:46", 46000, 31000, false},  // 29 s left
        {L"09:59:00", L"09:59:20", 100000, 85000, false},  // asleep; the clock put right on waking
        {L"09:50:00", L"09:59:30", 500, 0, true},         // the clock set forward into its minute
        {L"09:50:00", L"09:59:50", 500, 0, false},        // and further
        {L"10:00:20", L"09:59:20", 500, 0, false},        // set back over it
    };
    constexpr std::int64_t kStart = 5'000'000;
    for (const Case& c : table) {
        const scheduler::Look previous{c.previous, kStart};
        const scheduler::Look now{c.now, kStart + c.real_ms};
        EXPECT_EQ(NoticeDue(previous, now, c.late_ms, L"09:59:15"), c.due)
            << Narrow(c.previous) << " -> " << Narrow(c.now);
    }
    // Over midnight: told at 23:59:30 for 00:00:30.
    const scheduler::Look before{L"23:59:20", kStart};
    EXPECT_TRUE(NoticeDue(before, {L"23:59:50", kStart + 30000}, 20000, L"23:59:30"));
    EXPECT_FALSE(NoticeDue(before, {L"00:00:01", kStart + 41000}, 31000, L"23:59:30"));
}

constexpr const wchar_t* kShutdownAt10h00m15 = L"The computer will shut down at 10:00:15.";

struct NoticeRig : Form1Rig {
    NoticeRig() { form.Load(); }

    // With the clock at `now`, arms through Set Action (full) or Set
    // Shutdown; the window hides.
    void ArmAt(const wchar_t* now, const wchar_t* h, const wchar_t* m, const wchar_t* s,
               const wchar_t* action, bool full = true) {
        TickAt(now);
        Choose(h, m, s, action);
        system.file_dialog.choice = L"C:\\Jobs\\report.xls";
        if (full) form.Label2_Click();
        else form.Command1_Click();
    }
    void Arm2HoursAhead(bool full = true) {
        ArmAt(L"08:00:00", L"10", L"00", L"15", L"Shutdown", full);
    }

    // The beats the window asks for, each coming when asked (a minute's
    // re-reading at its earliest), up to the clock showing `until`: the
    // clock text of each beat goes to `beats`, each notice to `told` with
    // the clock text of its beat.
    void FollowBeatsUntil(const std::wstring& until) {
        const int end = *scheduler::SecondOfDay(until);
        next_beat = form.NextBeat();
        for (;;) {
            const int now = SecondOfDay(system.clock.time);
            const int ahead = next_beat.delay_ms / 1000;
            const int left = scheduler::SecondsForward(now, end);
            if (left == 0 || ahead > left) return;
            const int second = (now + ahead) % scheduler::kSecondsPerDay;
            const std::wstring text = ClockText({second / 3600, second / 60 % 60, second % 60, 0});
            const std::size_t before = notices().size();
            TickAt(text);
            beats.push_back(text);
            for (std::size_t i = before; i < notices().size(); ++i) told.emplace_back(text, notices()[i]);
        }
    }
    std::vector<std::wstring>& notices() { return system.forms.notices; }
    std::vector<Ballooned>& balloons() { return system.notify_area.balloons; }

    std::vector<std::wstring> beats;
    std::vector<std::pair<std::wstring, std::wstring>> told;
    // The notice's window, whose buttons the main window answers.
    Host notice_host{NoticeDesign(), system.journal, 0x000E0F0A};
    windows::Notice notice{notice_host, system.forms};
};

class Notice : public ::testing::Test, public NoticeRig {};

using Told = std::vector<std::pair<std::wstring, std::wstring>>;

TEST(NoticeArmings, OnlyOnTheFullPathForASystemActionArmedAMinuteAndAHalfAhead) {
    struct Case {
        const wchar_t* now;
        const wchar_t* hour;
        const wchar_t* minute;
        const wchar_t* second;
        const wchar_t* action;
        bool full;
        Told told;
    };
    const Case table[] = {
        {L"08:00:00", L"10", L"00", L"15", L"Shutdown", true, {{L"09:59:15", kShutdownAt10h00m15}}},
        {L"08:00:00", L"10", L"00", L"15", L"Restard", true,
         {{L"09:59:15", L"The computer will restart at 10:00:15."}}},
        {L"08:00:00", L"10", L"00", L"15", L"Log Off", true,
         {{L"09:59:15", L"You will be logged off at 10:00:15."}}},
        {L"08:00:00", L"10", L"00", L"15", L"Run File...", true, {}},
        {L"08:00:00", L"10", L"00", L"15", L"Shutdown", false, {}},  // Set Shutdown
        {L"08:00:05", L"08", L"01", L"35", L"Restard", true,
         {{L"08:00:35", L"The computer will restart at 08:01:35."}}},
        {L"08:00:06", L"08", L"01", L"35", L"Restard", true, {}},
        {L"08:00:35", L"08", L"01", L"35", L"Shutdown", true, {}},
        {L"23:58:00", L"00", L"00", L"10", L"Shutdown", true,
         {{L"23:59:10", L"The computer will shut down at 00:00:10."}}},
    };
    for (const Case& c : table) {
        NoticeRig t;
        t.ArmAt(c.now, c.hour, c.minute, c.second, c.action, c.full);
        ASSERT_FALSE(t.window().visible);
        const std::wstring armed = std::wstring(c.hour) + L":" + c.minute + L":" + c.second;
        // Up to the second before the action ("Run File..." would end the program).
        const int end = *scheduler::SecondOfDay(armed) + scheduler::kSecondsPerDay - 1;
        t.FollowBeatsUntil(ClockText({end / 3600 % 24, end / 60 % 60, end % 60, 0}));
        EXPECT_EQ(t.told, c.told) << Narrow(c.action) << " " << Narrow(armed) << " from "
                                  << Narrow(c.now) << (c.full ? " full" : " short");
        // No balloon says it, and the warning took its place.
        EXPECT_TRUE(t.balloons().empty());
        EXPECT_FALSE(t.system.forms.notice_open);
        if (t.told.empty()) continue;
        EXPECT_EQ(t.window().caption, L"Tarnovelle - At: " + armed);
        EXPECT_FALSE(t.window().visible);
    }
}

TEST_F(Notice, HiddenTheProgramWakesForTheNoticeSecondAndOtherwiseAsBefore) {
    Arm2HoursAhead();
    FollowBeatsUntil(L"09:58:00");
    EXPECT_EQ(beats.size(), 118u);  // once a minute until then
    FollowBeatsUntil(L"09:59:15");
    TickAt(L"09:59:15", 5);  // a beat unasked (a resume, the clock changed): told once
    EXPECT_EQ(notices().size(), 1u);
    EXPECT_TRUE(system.forms.notice_open);
    FollowBeatsUntil(L"10:01:00");
    const std::vector<std::wstring> last{L"09:59:00", L"09:59:15", L"10:00:00", L"10:00:10",
                                         L"10:00:15", L"10:01:00"};
    EXPECT_EQ(std::vector<std::wstring>(beats.end() - 6, beats.end()), last);
    EXPECT_EQ(told, (Told{{L"09:59:15", kShutdownAt10h00m15}}));
    EXPECT_EQ(system.forms.attention_shows, 1);
    ASSERT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(system.process.started[0].command_line, L"shutdown.exe -s -t 0");
}

TEST_F(Notice, NoneAfterACancelNorForTheArmingThatFollowsOnTheShortPath) {
    Arm2HoursAhead();
    FollowBeatsUntil(L"09:58:00");
    form.Click(kCancelzop);
    ASSERT_TRUE(window().visible);
    FollowBeatsUntil(L"09:59:30");  // shown: a beat every second
    Choose(L"10", L"00", L"15", L"Shutdown");
    form.Command1_Click();
    FollowBeatsUntil(L"10:00:15");
    EXPECT_TRUE(notices().empty());
    EXPECT_EQ(system.forms.attention_shows, 0);
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST(NoticeArmings, ANoticeSecondNoBeatSawIsToldLateOnceWhileHalfItsMinuteIsLeft) {
    struct Case {
        const wchar_t* resumed;  // the beat due at 09:59:15 comes with the clock showing this
        std::int64_t real_ms;    // after the beat at 09:59:00
        bool told;
    };
    // Where half the minute is left exactly, NoticeDue's own table says.
    const Case table[] = {
        {L"09:59:40", 40000, true},     // a stall
        {L"09:59:20", 100000, false},   // asleep; the clock put right on waking
        {L"09:59:50", 500, false},      // the clock set forward past it
    };
    for (const Case& c : table) {
        NoticeRig t;
        t.Arm2HoursAhead();
        t.FollowBeatsUntil(L"09:59:00");
        t.TickAt(c.resumed, c.real_ms);
        EXPECT_EQ(t.notices().size(), c.told ? 1u : 0u) << Narrow(c.resumed);
        t.FollowBeatsUntil(L"10:00:15");
        // Once, and the warning and the action as armed.
        ASSERT_EQ(t.notices().size(), c.told ? 1u : 0u) << Narrow(c.resumed);
        if (c.told) EXPECT_EQ(t.notices()[0], kShutdownAt10h00m15);
        EXPECT_EQ(t.system.forms.attention_shows, 1) << Narrow(c.resumed);
        EXPECT_EQ(t.system.process.started.size(), 1u) << Narrow(c.resumed);
    }
}

TEST_F(Notice, AfterASleepOverTheActionTooTheNoticeComesWhenTheTimeComesRound) {
    Arm2HoursAhead();
    FollowBeatsUntil(L"09:59:00");
    TickAt(L"10:05:00", 6 * 60 * 1000);  // asleep over the notice and the action
    ASSERT_EQ(balloons().size(), 1u);
    EXPECT_EQ(balloons()[0].record.szInfo,
              L"The computer was asleep at the set time, so nothing was done. Still set for 10:00:15.");
    EXPECT_TRUE(notices().empty());
    TickAt(L"09:58:00", 24 * kHour - 7 * 60 * 1000);  // the next day
    FollowBeatsUntil(L"10:00:15");
    ASSERT_EQ(balloons().size(), 1u);
    EXPECT_EQ(notices(), std::vector<std::wstring>{kShutdownAt10h00m15});
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST(NoticeArmings, ItsWordsFollowTheActionChosenWhenItComes) {
    struct Case {
        const wchar_t* armed_with;
        const wchar_t* chosen_then;
        const wchar_t* told;  // nullptr: nothing
    };
    const Case table[] = {
        {L"Shutdown", L"Log Off",
         L"You will be logged off at 10:00:15."},
        {L"Run File...", L"Shutdown", kShutdownAt10h00m15},
        {L"Restard", L"Run File...", nullptr},
    };
    for (const Case& c : table) {
        NoticeRig t;
        t.ArmAt(L"08:00:00", L"10", L"00", L"15", c.armed_with);
        t.FollowBeatsUntil(L"09:59:00");
        t.Choose(nullptr, nullptr, nullptr, c.chosen_then);
        t.FollowBeatsUntil(L"10:00:00");
        ASSERT_EQ(t.notices().size(), c.told ? 1u : 0u) << Narrow(c.chosen_then);
        if (c.told) EXPECT_EQ(t.notices()[0], c.told);
    }
}

// ---- Fifteen more minutes, and the notice's life ---------------------------------

std::wstring NoticeOf(const wchar_t* at) { return L"The computer will shut down at " + std::wstring(at) + L"."; }

TEST_F(Notice, ItsFifteenMoreMinutesPostponesAsOftenAsItComes) {
    ArmAt(L"10:48:00", L"10", L"50", L"15", L"Shutdown");
    FollowBeatsUntil(L"10:49:20");
    notice.Click(kNoticeLabel2);  // through the window, as a click or Enter gives it
    EXPECT_EQ(window().caption, L"Tarnovelle - At: 11:05:15");
    EXPECT_EQ(combo(kCombo1).Text() + combo(kCombo2).Text() + combo(kCombo3).Text(), L"110515");
    EXPECT_EQ(form.WarnTime, L"11:05:10");
    EXPECT_EQ(notices().back(), L"+Postponed: the computer will shut down at 11:05:15.");
    EXPECT_TRUE(system.forms.notice_open);
    FollowBeatsUntil(L"11:04:20");
    EXPECT_EQ(system.forms.attention_shows, 0);  // nothing at the old time
    EXPECT_TRUE(system.process.started.empty());
    notice.Click(kNoticeLabel2);  // the next notice: again
    FollowBeatsUntil(L"11:20:16");
    EXPECT_EQ(told, (Told{{L"10:49:15", NoticeOf(L"10:50:15")}, {L"11:04:15", NoticeOf(L"11:05:15")},
                          {L"11:19:15", NoticeOf(L"11:20:15")}}));
    EXPECT_EQ(system.forms.attention_shows, 1);
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST(NoticeArmings, ItGoesWithWhatItToldOfAndALateClickThenDoesNothing) {
    struct Case {
        const char* what;
        std::function<void(NoticeRig&)> then;
        bool open;  // the notice, afterwards
    };
    const Case table[] = {
        {"when the warning comes", [](NoticeRig& t) { t.FollowBeatsUntil(L"10:00:11"); }, false},
        {"after a cancel", [](NoticeRig& t) { t.form.Click(kCancelzop); }, false},
        {"after arming again", [](NoticeRig& t) { t.form.Label2_Click(); }, false},  // the same time
        {"after Set Shutdown", [](NoticeRig& t) { t.form.Command1_Click(); }, false},
        {"after the action", [](NoticeRig& t) { t.FollowBeatsUntil(L"10:00:16"); }, false},
        {"on the confirmation", [](NoticeRig& t) { t.form.Notice_MoreTime(); }, true},
    };
    for (const Case& c : table) {
        NoticeRig t;
        t.Arm2HoursAhead();
        t.FollowBeatsUntil(L"09:59:20");
        ASSERT_TRUE(t.system.forms.notice_open);
        c.then(t);
        EXPECT_EQ(t.system.forms.notice_open, c.open) << c.what;
        const std::wstring target = t.form.TargetTime;
        const std::size_t shown = t.notices().size();
        t.form.Notice_MoreTime();
        EXPECT_EQ(t.form.TargetTime, target) << c.what;
        EXPECT_EQ(t.notices().size(), shown) << c.what;
    }
}

TEST(NoticeWindow, CancelCallsOffCloseLeavesTheScheduleAndTheConfirmationGoesByItself) {
    struct Case {
        const char* what;
        bool confirming;
        int clicked;  // 0: its timer ticks
        std::string asked;  // of the main window
        bool goes;
    };
    const Case table[] = {
        {"15 more minutes", false, kNoticeLabel2, "postpone schedule", false},
        {"Cancel", false, kNoticeLabel3, "cancel schedule", true},
        {"Close (or Esc)", false, kNoticeLabel4, "", true},
        {"its words", false, kNoticeLabel1, "", false},
        {"beside its buttons", false, kNoticeLabel5, "", false},
        {"the confirmation", true, kNoticeLabel5, "", true},
        {"the confirmation's words", true, kNoticeLabel1, "", true},
        {"the confirmation's time", true, 0, "", true},
    };
    for (const Case& c : table) {
        System system;
        Host host(NoticeDesign(), system.journal, 0x0F0E);
        windows::Notice notice(host, system.forms);
        const std::wstring said = c.confirming ? L"Postponed: you will be logged off at 10:15:15."
                                               : L"You will be logged off at 10:00:15.";
        notice.Tell(L"You will be logged off at 10:00:15.");
        if (c.confirming) notice.Confirm(said);
        EXPECT_EQ(host.Get<Label>(kNoticeLabel1).caption, said) << c.what;
        EXPECT_EQ(host.window.caption, said) << c.what;  // what the taskbar and a reader name it
        EXPECT_EQ(host.Get<Label>(kNoticeLabel2).visible, !c.confirming) << c.what;
        EXPECT_EQ(host.Get<Label>(kNoticeLabel3).visible, !c.confirming) << c.what;
        EXPECT_EQ(host.Get<Timer>(kNoticeTimer1).enabled, c.confirming) << c.what;
        if (c.clicked) notice.Click(c.clicked);
        else notice.Tick(kNoticeTimer1);
        for (const char* asked : {"postpone schedule", "cancel schedule"})
            EXPECT_EQ(system.journal.Has(asked), c.asked == asked) << c.what;
        EXPECT_EQ(host.window.unloaded, c.goes) << c.what;
    }
}

}  // namespace
}  // namespace fake
