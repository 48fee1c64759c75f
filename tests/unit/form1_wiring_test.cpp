// The main window's life cycle, the tray relay and the small commands.
#include <cstring>

#include "resources/resource.h"
#include "tests/unit/form1_fixture.h"

namespace fake {
namespace {

using namespace windows;

TEST_F(Form1Test, InitializePreparesTheCommonControls) {
    form.Initialize();
    EXPECT_EQ(system.app.common_controls, 1);
}

TEST_F(Form1Test, LoadAddsTheTrayIconWithTheCaptionAsTip) {
    form.Load();
    EXPECT_EQ(system.resources.loaded, std::vector<int>{IDI_TRAY});
    ASSERT_EQ(system.notify_area.calls.size(), 1u);
    const platform::NotifyIconData88& r = system.notify_area.calls[0].record;
    EXPECT_EQ(system.notify_area.calls[0].message, platform::kNimAdd);
    EXPECT_EQ(r.hWnd, kMainWindow);
    EXPECT_EQ(r.hIcon, system.resources.icon_handle);
    EXPECT_EQ(std::string(r.szTip, 11), std::string("Tarnovelle") + '\0');
    ASSERT_TRUE(form.TrayIconMade());
}

TEST_F(Form1Test, LaterCaptionsDoNotReachTheTip) {
    form.Load();
    Choose(L"22", L"30", L"15", L"Shutdown");
    form.Label2_Click();
    form.Unload();
    EXPECT_EQ(std::string(system.notify_area.calls.back().record.szTip, 11),
              std::string("Tarnovelle") + '\0');
}

TEST_F(Form1Test, LoadSkipsFailingStepsAndNeverStopsTheWindow) {
    system.resources.missing = true;
    window().refuse = {"caption"};
    EXPECT_NO_THROW(form.Load());
    ASSERT_EQ(system.notify_area.calls.size(), 1u);  // added all the same
    EXPECT_EQ(system.notify_area.calls[0].record.hIcon, 0u);
    EXPECT_EQ(std::string(system.notify_area.calls[0].record.szTip, 1), std::string(1, '\0'));

    system.notify_area.fail = true;
    window().refuse.clear();
    EXPECT_NO_THROW(form.Load());
}

TEST_F(Form1Test, UnloadRemovesTheIconEvenWhenNothingAddedIt) {
    form.Unload();
    ASSERT_EQ(system.notify_area.calls.size(), 1u);
    EXPECT_EQ(system.notify_area.calls[0].message, platform::kNimDelete);
    EXPECT_EQ(system.notify_area.calls[0].record.hWnd, kMainWindow);
    EXPECT_EQ(system.notify_area.calls[0].record.uID, 1u);
}

TEST_F(Form1Test, TheIconsEventsAreRelayedToTheTrayIcon) {
    form.Load();
    window().visible = false;
    window().state = platform::kStateMinimized;
    form.MouseMove(1, 0, 515 * 15.0f, 0);  // a double-click on the icon
    EXPECT_TRUE(window().visible);
    EXPECT_EQ(window().state, platform::kStateNormal);
    form.MouseMove(1, 0, 517 * 15.0f, 0);  // a right-button release
    EXPECT_EQ(window().popups, 1);
    // Any other event (a move over the icon) is just decoded.
    form.MouseMove(0, 0, 200 * 15.0f, 100 * 15.0f);
    EXPECT_EQ(form.TrayIconMade()->lng_TrayMsg(), 200);
    EXPECT_EQ(window().popups, 1);
}

TEST_F(Form1Test, TheTrayMenuIsTheWindowsPopUpMenu) {
    const platform::FormDesign& d = windows::Form1Design();
    std::vector<std::wstring> items;
    for (int i = 0; i < d.menu_count; ++i)
        if (d.menu[i].level == 1) items.push_back(d.menu[i].caption);
    EXPECT_EQ(items, (std::vector<std::wstring>{L"&Show", L"&Cancel", L"-", L"&About", L"&Exit"}));
    EXPECT_FALSE(d.menu[0].visible);  // no menu bar
}

TEST_F(Form1Test, ANewNotificationAreaGetsTheSameIconAgain) {
    form.TaskbarCreated();  // before any icon: nothing to restore
    EXPECT_TRUE(system.notify_area.calls.empty());
    form.Load();
    form.TaskbarCreated();
    ASSERT_EQ(system.notify_area.calls.size(), 2u);
    EXPECT_EQ(system.notify_area.calls[1].message, platform::kNimAdd);
    EXPECT_EQ(0, std::memcmp(&system.notify_area.calls[0].record,
                             &system.notify_area.calls[1].record, 88));
}

TEST_F(Form1Test, ShowAndTheAboutCommands) {
    window().visible = false;
    form.Click(kItmShowMainWindow);
    EXPECT_TRUE(window().visible);
    form.Click(kItmShowMainWindow);  // already visible: still visible
    EXPECT_TRUE(window().visible);
    for (int id : {kItmAbout, kCommand2, kLabel3}) form.Click(id);
    EXPECT_EQ(system.forms.about_shows, 3);
}

TEST_F(Form1Test, ExitFromTheTrayUnloadsAndRemovesTheIcon) {
    form.Load();
    form.Click(kItmExit);
    EXPECT_TRUE(window().unloaded);
    EXPECT_EQ(system.notify_area.calls.back().message, platform::kNimDelete);
    EXPECT_EQ(system.process.ended, 0);  // the process lives while a window does
}

TEST_F(Form1Test, TheCloseCommandsEndAtOnceWithoutADeadIcon) {
    for (int id : {kCommand3, kLabel4}) {
        System fresh;
        Host h(windows::Form1Design(), fresh.journal, kMainWindow);
        scheduler::Form1 f(h, fresh.services());
        f.Load();
        // Armed: the action never runs.
        h.Get<List>(kCombo1).Pick(L"07");
        h.Get<List>(kCombo2).Pick(L"30");
        h.Get<List>(kCombo3).Pick(L"10");
        h.Get<List>(kCombo4).Pick(L"Shutdown");
        f.Label2_Click();
        EXPECT_THROW(f.Click(id), ProgramEnded);
        EXPECT_EQ(fresh.process.ended, 1);
        EXPECT_LT(fresh.journal.IndexOf("icon delete"), fresh.journal.IndexOf("end"));
        EXPECT_FALSE(h.window.unloaded);  // no unload handler runs
        EXPECT_TRUE(fresh.process.started.empty());
    }
}

TEST_F(Form1Test, PickingAnHourOrAnActionCopiesItIntoItsHiddenBox) {
    combo(kCombo1).Pick(L"09");
    form.Change(kCombo1);
    combo(kCombo4).Pick(L"Log Off");
    form.Change(kCombo4);
    combo(kCombo2).Pick(L"44");
    form.Change(kCombo2);
    EXPECT_EQ(text(kText2).text, L"09");
    EXPECT_EQ(text(kText1).text, L"Log Off");
    EXPECT_EQ(text(kText3).text, L"");
}

}  // namespace
}  // namespace fake
