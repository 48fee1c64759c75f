// What a real PC asks of an armed program: the machine stays awake for the
// action, a refused action is reported, and the window hides only behind a
// tray icon that is there.
#include "tests/unit/form1_fixture.h"
#include "windows/attention.h"

namespace fake {
namespace {

using namespace windows;

// A loaded main window (its tray icon added), armed at 07:30:15 on request.
struct LoadedRig : Form1Rig {
    LoadedRig() { form.Load(); }
    void ArmFull(const wchar_t* action = L"Shutdown") {
        TickAt(L"07:30:05");
        Choose(L"07", L"30", L"15", action);
        form.Label2_Click();
    }
    std::vector<bool>& awake() { return system.power.requests; }
};

class RealPc : public ::testing::Test, public LoadedRig {};

// ---- Staying awake --------------------------------------------------------------

TEST_F(RealPc, ArmingAsksToStayAwakeAndFiringGivesItBack) {
    EXPECT_TRUE(awake().empty());
    ArmFull();
    EXPECT_EQ(awake(), std::vector<bool>{true});
    // Asked before the user is told the window hides (timers tick meanwhile).
    EXPECT_LT(system.journal.IndexOf("awake on"), system.journal.IndexOf("message Attention!"));
    TickAt(L"07:30:15");
    EXPECT_EQ(awake(), (std::vector<bool>{true, false}));
    EXPECT_LT(system.journal.IndexOf("start shutdown.exe -s -t 0"),
              system.journal.IndexOf("awake off"));
}

TEST_F(RealPc, EveryWayOutGivesTheAwakeRequestBack) {
    struct Way {
        const char* name;
        std::function<void(LoadedRig&)> take;
    };
    const Way ways[] = {
        {"tray cancel", [](LoadedRig& t) { t.form.Click(kCancelzop); }},
        {"warning cancel",
         [](LoadedRig& t) {
             Host host(AttentionDesign(), t.system.journal, 0x0D0E);
             Attention attention(host, t.system.forms);
             attention.Click(kAttentionLabel1);
         }},
        {"refusal", [](LoadedRig& t) { t.form.ProgramEnded(1190); }},
        {"tray exit", [](LoadedRig& t) { t.form.Click(kItmExit); }},
        {"close label", [](LoadedRig& t) { EXPECT_THROW(t.form.Click(kLabel4), ProgramEnded); }},
        {"exit button", [](LoadedRig& t) { EXPECT_THROW(t.form.Click(kCommand3), ProgramEnded); }},
        {"run file", [](LoadedRig& t) {
             t.combo(kCombo4).Pick(L"Run File...");
             EXPECT_THROW(t.TickAt(L"07:30:15"), ProgramEnded);
         }},
    };
    for (const Way& way : ways) {
        LoadedRig t;
        t.ArmFull();
        way.take(t);
        EXPECT_EQ(t.awake(), (std::vector<bool>{true, false})) << way.name;
        EXPECT_FALSE(t.system.power.awake) << way.name;
    }
}

TEST_F(RealPc, ArmingAgainAsksOnlyOnce) {
    ArmFull();
    form.Command1_Click();
    EXPECT_EQ(awake(), std::vector<bool>{true});
}

TEST_F(RealPc, AFailedArmingAsksForNothing) {
    Choose(L"07", L"30", nullptr, L"Shutdown");
    form.Label2_Click();
    Choose(L"07", L"30", L"15", L"Run File...");
    form.Command1_Click();  // "Select"
    system.file_dialog.choice.reset();
    form.Label2_Click();  // the picker cancelled
    EXPECT_TRUE(awake().empty());
}

// ---- A refused action -----------------------------------------------------------

TEST_F(RealPc, TheStartedShutdownReportsItsEndToTheMainWindow) {
    ArmFull();
    TickAt(L"07:30:15");
    ASSERT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(system.process.started[0].notify, kMainWindow);
}

TEST_F(RealPc, ARefusalIsReportedAndLeavesTheProgramAsAfterACancel) {
    for (const wchar_t* action : {L"Shutdown", L"Restard", L"Log Off"}) {
        LoadedRig t;
        t.ArmFull(action);
        t.TickAt(L"07:30:15");
        const std::wstring command = t.system.process.started.at(0).command_line;
        t.form.ProgramEnded(1190);
        ASSERT_EQ(t.system.message_box.shown.size(), 2u);  // after "This window will now be hided!"
        const Shown& box = t.system.message_box.shown[1];
        EXPECT_EQ(box.text, L"The action could not be carried out: " + command + L" ended with code 1190");
        EXPECT_EQ(box.title, L"Tarnovelle");
        EXPECT_EQ(box.style & 0xF0u, 48u);  // the exclamation icon
        EXPECT_EQ(box.style & 0xFu, 0u);    // OK only
        EXPECT_TRUE(t.window().visible);
        EXPECT_EQ(t.window().caption, L"Tarnovelle");
        EXPECT_TRUE(t.command1().enabled);
        EXPECT_FALSE(t.timer(kTimer2).enabled);
        EXPECT_FALSE(t.timer(kTimer3).enabled);
        EXPECT_LT(t.system.journal.IndexOf("message Tarnovelle"), t.system.journal.IndexOf("Form1 show"));
    }
}

TEST_F(RealPc, ExitCodesAreShownUnsigned) {
    ArmFull();
    TickAt(L"07:30:15");
    form.ProgramEnded(0xC0000005u);
    EXPECT_EQ(system.message_box.shown.back().text,
              L"The action could not be carried out: shutdown.exe -s -t 0 ended with code 3221225477");
}

TEST_F(RealPc, ASuccessChangesNothing) {
    ArmFull();
    TickAt(L"07:30:15");
    const auto entries = system.journal.entries.size();
    form.ProgramEnded(0);
    EXPECT_EQ(system.journal.entries.size(), entries);
    EXPECT_FALSE(window().visible);
    EXPECT_EQ(window().caption, L"Tarnovelle - At: 07:30:15");
}

// ---- The tray icon before the window hides ---------------------------------------

class RefusedIcon : public Form1Test {
public:
    RefusedIcon() {
        system.notify_area.answer = false;  // the shell is not ready
        form.Load();
    }
    void AcceptIcons() { system.notify_area.answer = true; }
};

TEST_F(RefusedIcon, ArmingMinimisesInsteadOfHidingAndStaysArmed) {
    Choose(L"07", L"30", L"15", L"Shutdown");
    form.Label2_Click();
    EXPECT_TRUE(window().visible);
    EXPECT_EQ(window().state, platform::kStateMinimized);
    EXPECT_TRUE(timer(kTimer2).enabled);
    EXPECT_EQ(window().caption, L"Tarnovelle - At: 07:30:15");
    // A cancel brings it back to its normal state.
    form.Click(kCancelzop);
    EXPECT_EQ(window().state, platform::kStateNormal);
    EXPECT_TRUE(window().visible);
}

TEST_F(RefusedIcon, ASlowRetryAddsTheIconOnceTheShellTakesIt) {
    ASSERT_TRUE(timer(kTimer4).enabled);
    EXPECT_GE(Form1Design().Find(kTimer4)->interval_ms, 1000);
    form.Tick(kTimer4);
    EXPECT_TRUE(timer(kTimer4).enabled);  // still refused
    AcceptIcons();
    form.Tick(kTimer4);
    EXPECT_FALSE(timer(kTimer4).enabled);
    const Notified& added = system.notify_area.calls.back();
    EXPECT_EQ(added.message, platform::kNimAdd);
    EXPECT_EQ(added.record.hWnd, kMainWindow);
    EXPECT_EQ(added.record.uCallbackMessage, 0x8002u);
    EXPECT_EQ(std::string(added.record.szTip, 11), std::string("Tarnovelle") + '\0');
    // With the icon there, arming hides the window.
    Choose(L"07", L"30", L"15", L"Shutdown");
    form.Label2_Click();
    EXPECT_FALSE(window().visible);
}

TEST_F(RefusedIcon, AnAddTheShellRefusedButHeldCountsOnceAChangeSucceeds) {
    system.notify_area.answer_for = [](std::uint32_t message) {
        return message == platform::kNimModify;  // the earlier add did land after all
    };
    form.Tick(kTimer4);
    EXPECT_FALSE(timer(kTimer4).enabled);
    EXPECT_TRUE(form.TrayIconMade()->IconPresent());
}

TEST_F(Form1Test, TheIconComesBackWithANewShellAndIsRetriedIfItRefuses) {
    form.Load();
    ASSERT_FALSE(timer(kTimer4).enabled);
    system.notify_area.answer = false;
    form.TaskbarCreated();
    EXPECT_EQ(system.notify_area.calls.back().message, platform::kNimModify);
    EXPECT_TRUE(timer(kTimer4).enabled);
    system.notify_area.answer = true;
    form.TaskbarCreated();
    EXPECT_EQ(system.notify_area.calls.back().message, platform::kNimAdd);
    EXPECT_FALSE(timer(kTimer4).enabled);
}

}  // namespace
}  // namespace fake
