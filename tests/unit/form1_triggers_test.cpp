// The clock, the two triggers, the actions and the cancel paths.
#include <algorithm>

#include "tests/unit/form1_fixture.h"
#include "windows/attention.h"

namespace fake {
namespace {

using namespace windows;

class Triggers : public Form1Test {
protected:
    void ArmFull(const wchar_t* h, const wchar_t* m, const wchar_t* s, const wchar_t* action) {
        Choose(h, m, s, action);
        form.Label2_Click();
    }
    // The clock passing through a span of seconds, many ticks each.
    void RunClock(int hour, int minute, int from_second, int to_second, int ticks_per_second = 16) {
        for (int s = from_second; s <= to_second; ++s) {
            wchar_t now[9];
            swprintf(now, 9, L"%02d:%02d:%02d", hour, minute, s);
            for (int t = 0; t < ticks_per_second; ++t) TickAt(now);
        }
    }
};

TEST_F(Triggers, TheClockWritesTheTimeText) {
    TickAt(L"07:30:09");
    EXPECT_EQ(text(kNtime).text, L"07:30:09");
}

TEST_F(Triggers, TheWindowStartsWithTheClockAndTheActionTriggerRunning) {
    EXPECT_TRUE(timer(kTimer1).enabled);
    EXPECT_TRUE(timer(kTimer2).enabled);
    EXPECT_FALSE(timer(kTimer3).enabled);
    // All three tick on the beat, never on an interval of their own.
    for (int id : {kTimer1, kTimer2, kTimer3}) {
        EXPECT_TRUE(windows::Form1Design().Find(id)->on_beat);
        EXPECT_EQ(windows::Form1Design().Find(id)->interval_ms, 0);
    }
}

// The clock must be written before the triggers read it in the same beat;
// otherwise each trigger compares the previous second's clock text.
TEST_F(Triggers, TheClockTicksFirstInEachBeat) {
    const std::vector<int> order = platform::TickOrder(windows::Form1Design());
    auto at = [&](int id) { return std::find(order.begin(), order.end(), id) - order.begin(); };
    ASSERT_LT(at(kTimer1), static_cast<long>(order.size()));
    EXPECT_LT(at(kTimer1), at(kTimer2));
    EXPECT_LT(at(kTimer1), at(kTimer3));
}

TEST_F(Triggers, TheFirstBeatThatShowsTheArmedSecondActsOnIt) {
    ArmFull(L"07", L"30", L"15", L"Shutdown");
    RunClock(7, 30, 5, 9);
    TickAt(L"07:30:10");  // one beat
    EXPECT_EQ(system.forms.attention_shows, 1);
    RunClock(7, 30, 11, 14);
    TickAt(L"07:30:15");
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST_F(Triggers, NothingStartsBeforeArmingNotEvenWhileTheClockTextIsEmpty) {
    // Before the clock's first tick its text equals the empty armed time.
    form.Tick(kTimer2);
    combo(kCombo4).Pick(L"Shutdown");
    RunClock(0, 0, 0, 59);
    EXPECT_TRUE(system.process.started.empty());
    EXPECT_TRUE(system.shell.executed.empty());
    EXPECT_EQ(system.forms.attention_shows, 0);
}

TEST_F(Triggers, EachSystemActionStartsItsCommandOnceFromTheSystemFolder) {
    const std::pair<const wchar_t*, const wchar_t*> actions[] = {
        {L"Shutdown", L"shutdown.exe -s -t 0"},
        {L"Restard", L"shutdown.exe -r -t 0"},
        {L"Log Off", L"shutdown.exe -l"},
    };
    for (const auto& [action, command] : actions) {
        system.process.started.clear();
        ArmFull(L"07", L"30", L"10", action);
        RunClock(7, 30, 5, 12);
        ASSERT_EQ(system.process.started.size(), 1u) << Narrow(action);
        const Started& s = system.process.started[0];
        EXPECT_EQ(s.application, L"C:\\WINDOWS\\system32\\shutdown.exe");
        EXPECT_EQ(s.command_line, command);
        EXPECT_EQ(s.show, 2);
        EXPECT_FALSE(timer(kTimer2).enabled);
        EXPECT_EQ(system.process.ended, 0);  // the program keeps running
    }
}

TEST_F(Triggers, TheActionIsReadWhenItFires) {
    ArmFull(L"07", L"30", L"10", L"Shutdown");
    combo(kCombo4).Pick(L"Log Off");
    RunClock(7, 30, 10, 10);
    ASSERT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(system.process.started[0].command_line, L"shutdown.exe -l");
}

TEST_F(Triggers, AnActionTextOutsideTheListKeepsTheTriggerWaiting) {
    ArmFull(L"07", L"30", L"10", L"Shutdown");
    combo(kCombo4).Clear();
    RunClock(7, 30, 10, 10);
    EXPECT_TRUE(system.process.started.empty());
    EXPECT_TRUE(timer(kTimer2).enabled);
}

TEST_F(Triggers, ATimeAlreadyPastFiresWhenTheClockComesRoundAgain) {
    RunClock(23, 59, 58, 59);
    ArmFull(L"23", L"59", L"10", L"Restard");  // passed 48 seconds ago
    RunClock(0, 0, 0, 5);
    EXPECT_TRUE(system.process.started.empty());
    RunClock(23, 59, 9, 11);
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST_F(Triggers, TheWarningComesForEveryTickOfItsSecondAndOnlyThen) {
    ArmFull(L"07", L"30", L"15", L"Shutdown");
    RunClock(7, 30, 8, 9, 16);
    EXPECT_EQ(system.forms.attention_shows, 0);
    RunClock(7, 30, 10, 10, 16);
    // One request a tick; the window code shows one window for all of them.
    EXPECT_EQ(system.forms.attention_shows, 16);
    RunClock(7, 30, 11, 14, 16);
    EXPECT_EQ(system.forms.attention_shows, 16);
    EXPECT_TRUE(system.process.started.empty());
    RunClock(7, 30, 15, 15);
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST_F(Triggers, AFailingStartIsNotTrapped) {
    ArmFull(L"07", L"30", L"10", L"Shutdown");
    system.process.missing = true;
    system.clock.Set(L"07:30:10");
    form.Tick(kTimer1);
    EXPECT_THROW(form.Tick(kTimer2), platform::Error);
}

TEST_F(Triggers, RunFileOpensTheFileThroughTheShellRemovesTheIconAndEnds) {
    form.Form_Load();
    Choose(L"07", L"30", L"10", L"Run File...");
    system.file_dialog.choice = L"C:\\Jobs\\report.xls";
    form.Label2_Click();
    system.clock.Set(L"07:30:10");
    form.Tick(kTimer1);
    EXPECT_THROW(form.Tick(kTimer2), ProgramEnded);

    ASSERT_EQ(system.shell.executed.size(), 1u);
    const Executed& e = system.shell.executed[0];
    EXPECT_EQ(e.owner, 0u);
    EXPECT_EQ(e.verb, L"");
    EXPECT_EQ(e.file, L"C:\\Jobs\\report.xls");
    EXPECT_EQ(e.parameters, L"");
    EXPECT_EQ(e.directory, L"");
    EXPECT_EQ(e.show, 1);
    EXPECT_FALSE(timer(kTimer2).enabled);
    EXPECT_TRUE(system.process.started.empty());
    // No dead icon is left behind, and the end comes last.
    EXPECT_LT(system.journal.IndexOf("shell C:\\Jobs\\report.xls"),
              system.journal.IndexOf("icon delete"));
    EXPECT_LT(system.journal.IndexOf("icon delete"), system.journal.IndexOf("end"));
    EXPECT_EQ(system.process.ended, 1);
}

TEST_F(Triggers, RunFileEndsEvenWhenTheShellCannotOpenTheFile) {
    form.Form_Load();
    Choose(L"07", L"30", L"10", L"Run File...");
    system.file_dialog.choice = L"C:\\gone.exe";
    form.Label2_Click();
    system.shell.result = 2;  // file not found: not examined
    EXPECT_THROW(TickAt(L"07:30:10"), ProgramEnded);
    EXPECT_EQ(system.process.ended, 1);
}

// ---- Cancelling ------------------------------------------------------------------

TEST_F(Triggers, TrayCancelDisarmsAndBringsTheWindowBack) {
    Choose(L"07", L"30", L"15", L"Shutdown");
    form.Command1_Click();
    ASSERT_FALSE(command1().enabled);
    form.Click(kCancelzop);
    EXPECT_FALSE(timer(kTimer2).enabled);
    EXPECT_TRUE(command1().enabled);
    EXPECT_EQ(window().caption, L"Tarnovelle");
    EXPECT_TRUE(window().visible);
    EXPECT_EQ(form.TargetTime, L"07:30:15");  // the texts are kept
    RunClock(7, 30, 10, 16);
    EXPECT_TRUE(system.process.started.empty());
}

TEST_F(Triggers, ACancelFromTheTrayDuringTheWarningTakesTheWarningAway) {
    ArmFull(L"07", L"30", L"15", L"Shutdown");
    RunClock(7, 30, 9, 11);
    ASSERT_GT(system.forms.attention_shows, 0);
    form.Click(kCancelzop);
    EXPECT_TRUE(system.journal.Has("close attention"));
    EXPECT_LT(system.journal.IndexOf("close attention"), system.journal.IndexOf("Form1 show"));
    RunClock(7, 30, 12, 16);
    EXPECT_TRUE(system.process.started.empty());
}

TEST_F(Triggers, ACancelledScheduleGivesNoWarning) {
    ArmFull(L"07", L"30", L"15", L"Shutdown");
    RunClock(7, 30, 1, 5);
    form.cancelzop_Click();
    EXPECT_FALSE(timer(kTimer3).enabled);
    RunClock(7, 30, 6, 20);
    EXPECT_EQ(system.forms.attention_shows, 0);
    EXPECT_TRUE(system.process.started.empty());
}

class WarningWindow : public Triggers {
protected:
    WarningWindow()
        : attention_host(windows::AttentionDesign(), system.journal, 0x000D0E0F),
          attention(attention_host, system.forms) {
        attention_host.window.events = &attention;
    }
    Host attention_host;
    windows::Attention attention;
};

TEST_F(WarningWindow, IsABorderlessPictureWithOneClickAreaOverItsCancelButton) {
    const platform::FormDesign& d = windows::AttentionDesign();
    EXPECT_EQ(std::wstring(d.caption), L"Attention");
    EXPECT_EQ(d.border, platform::Border::None);
    EXPECT_FALSE(d.show_in_taskbar);
    EXPECT_TRUE(d.centred);
    EXPECT_EQ(d.client_width / 15, 400);
    EXPECT_EQ(d.client_height / 15, 100);
    ASSERT_EQ(d.control_count, 1);
    EXPECT_EQ(d.controls[0].left, 1560);
    EXPECT_EQ(d.controls[0].top, 840);
    EXPECT_EQ(d.controls[0].width, 2775);
    EXPECT_EQ(d.controls[0].height, 615);
    EXPECT_NE(d.controls[0].cursor_resource, 0);
}

TEST_F(WarningWindow, CancelDisarmsShowsTheMainWindowAndUnloadsItself) {
    ArmFull(L"07", L"30", L"15", L"Restard");
    RunClock(7, 30, 10, 10);
    attention_host.window.visible = true;

    attention.Click(kAttentionLabel1);

    EXPECT_FALSE(timer(kTimer2).enabled);
    EXPECT_FALSE(timer(kTimer3).enabled);
    EXPECT_TRUE(command1().enabled);
    EXPECT_EQ(window().caption, L"Tarnovelle");
    EXPECT_TRUE(window().visible);
    EXPECT_TRUE(attention_host.window.unloaded);
    // In this order: the main window is back before the warning goes.
    EXPECT_LT(system.journal.IndexOf("Form1 show"), system.journal.IndexOf("Attention unload"));
    EXPECT_EQ(form.TargetTime, L"07:30:15");
    EXPECT_EQ(form.WarnTime, L"07:30:10");
    // The rest of the warning second and the armed second pass quietly.
    const int shows = system.forms.attention_shows;
    RunClock(7, 30, 10, 16);
    EXPECT_EQ(system.forms.attention_shows, shows);
    EXPECT_TRUE(system.process.started.empty());
}

TEST_F(WarningWindow, OtherClicksDoNothing) {
    ArmFull(L"07", L"30", L"15", L"Restard");
    attention.Click(0);
    attention.Click(kAttentionLabel1 + 1);
    EXPECT_TRUE(timer(kTimer2).enabled);
    EXPECT_FALSE(attention_host.window.unloaded);
}

}  // namespace
}  // namespace fake
