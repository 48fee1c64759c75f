// Arming the schedule: the checks, both arming paths, the warning time and
// the program picker.
#include "scheduler/select_file.h"
#include "scheduler/worktime.h"
#include "tests/unit/form1_fixture.h"

namespace fake {
namespace {

using namespace windows;

constexpr const wchar_t* kSelectAll = L"You must select hour, minuts, seconds and action!!";
constexpr const wchar_t* kWillHide =
    L"This window will now be hided! You can call it by rigth clicking the icon on tray!";

// ---- Worktime ---------------------------------------------------------------

TEST(Worktime, RoundsTheOfferedSecondsDownToTheirTenSecondBlock) {
    const std::pair<const wchar_t*, const wchar_t*> table[] = {
        {L"10", L"00"}, {L"15", L"10"}, {L"20", L"10"}, {L"25", L"20"},
        {L"30", L"20"}, {L"35", L"30"}, {L"40", L"30"}, {L"45", L"40"},
        {L"50", L"40"}, {L"55", L"50"}, {L"59", L"50"},
    };
    for (const auto& [second, warn] : table)
        EXPECT_EQ(scheduler::WarnSecond(second), warn) << fake::Narrow(second);
}

TEST(Worktime, ComparesTextsNotNumbers) {
    // "5" sorts after "40" and before "50"; a prefix sorts first.
    const std::pair<const wchar_t*, const wchar_t*> table[] = {
        {L"5", L"40"},  {L"09", L"00"}, {L"60", L"00"}, {L"", L"00"},  {L"1", L"00"},
        {L"100", L"10"}, {L"595", L"00"}, {L"0", L"00"}, {L"9", L"00"}, {L"-1", L"00"},
        {L"10 ", L"10"}, {L"2", L"10"},  {L"59", L"50"}, {L"590", L"00"},
    };
    for (const auto& [second, warn] : table)
        EXPECT_EQ(scheduler::WarnSecond(second), warn) << "\"" << fake::Narrow(second) << "\"";
}

TEST_F(Form1Test, WorktimeReadsTheListsAgainAndLeavesItsArgumentAlone) {
    Choose(L"07", L"05", L"45", nullptr);
    const std::wstring wtime = L"59";
    form.Worktime(wtime);
    EXPECT_EQ(form.WarnTime, L"07:05:50");
    EXPECT_EQ(wtime, L"59");
}

// ---- Checking the selections --------------------------------------------------

struct Missing {
    const wchar_t* hour;
    const wchar_t* minute;
    const wchar_t* second;
    const wchar_t* action;
};

class ArmingWithAListEmpty : public Form1Test, public ::testing::WithParamInterface<Missing> {};

TEST_P(ArmingWithAListEmpty, OnlyTellsTheUserOnEitherPath) {
    const Missing m = GetParam();
    Choose(m.hour, m.minute, m.second, m.action);
    form.TargetTime = L"01:02:10";
    form.WarnTime = L"01:02:00";
    for (auto arm : {&scheduler::Form1::Label2_Click, &scheduler::Form1::Command1_Click}) {
        system.message_box.shown.clear();
        (form.*arm)();
        ASSERT_EQ(system.message_box.shown.size(), 1u);
        const Shown& box = system.message_box.shown[0];
        EXPECT_EQ(box.text, kSelectAll);
        EXPECT_EQ(box.title, L"Error!");
        EXPECT_EQ(box.style, 16u);
        EXPECT_EQ(box.owner, kMainWindow);
        EXPECT_EQ(window().caption, L"Tarnovelle");
        EXPECT_TRUE(window().visible);
        EXPECT_EQ(form.TargetTime, L"01:02:10");
        EXPECT_EQ(form.WarnTime, L"01:02:00");
        EXPECT_TRUE(timer(kTimer2).enabled);  // as the window was created
        EXPECT_FALSE(timer(kTimer3).enabled);
        EXPECT_TRUE(command1().enabled);
        EXPECT_EQ(system.file_dialog.opened, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachList, ArmingWithAListEmpty,
    ::testing::Values(Missing{nullptr, L"30", L"15", L"Shutdown"},
                      Missing{L"22", nullptr, L"15", L"Shutdown"},
                      Missing{L"22", L"30", nullptr, L"Run File..."},
                      Missing{L"22", L"30", L"15", nullptr},
                      Missing{nullptr, nullptr, nullptr, nullptr}));

TEST_F(Form1Test, TheListsOfferOnlyTheirDesignedItems) {
    const auto& d = windows::Form1Design();
    auto items = [&](int id) {
        std::vector<std::wstring> out;
        const auto* c = d.Find(id);
        for (int i = 0; i < c->item_count; ++i) out.push_back(c->items[i]);
        return out;
    };
    const auto hours = items(kCombo1);
    ASSERT_EQ(hours.size(), 24u);
    EXPECT_EQ(hours.front(), L"00");
    EXPECT_EQ(hours.back(), L"23");
    const auto minutes = items(kCombo2);
    ASSERT_EQ(minutes.size(), 60u);
    EXPECT_EQ(minutes[7], L"07");
    EXPECT_EQ(minutes.back(), L"59");
    EXPECT_EQ(items(kCombo3),
              (std::vector<std::wstring>{L"10", L"15", L"20", L"25", L"30", L"35", L"40", L"45",
                                         L"50", L"55", L"59"}));
    EXPECT_EQ(items(kCombo4),
              (std::vector<std::wstring>{L"Shutdown", L"Restard", L"Log Off", L"Run File..."}));
    // Every list starts with nothing chosen.
    for (int id : {kCombo1, kCombo2, kCombo3, kCombo4}) EXPECT_EQ(combo(id).Text(), L"");
}

// ---- Full arming ------------------------------------------------------------

TEST_F(Form1Test, FullArmingComposesBothTimesRetitlesStartsTheTriggersAndHides) {
    form.Load();  // the tray icon is there
    Choose(L"22", L"30", L"15", L"Shutdown");
    bool visible_while_told = false;
    system.message_box.while_open = [&](const Shown&) {
        visible_while_told = window().visible;
        // The triggers already run while the user reads the message.
        EXPECT_TRUE(timer(kTimer2).enabled);
        EXPECT_TRUE(timer(kTimer3).enabled);
        EXPECT_EQ(window().caption, L"Tarnovelle - At: 22:30:15");
    };
    form.Label2_Click();

    EXPECT_EQ(form.TargetTime, L"22:30:15");
    EXPECT_EQ(form.WarnTime, L"22:30:10");
    EXPECT_EQ(window().caption, L"Tarnovelle - At: 22:30:15");
    ASSERT_EQ(system.message_box.shown.size(), 1u);
    const Shown& box = system.message_box.shown[0];
    EXPECT_EQ(box.text, kWillHide);
    EXPECT_EQ(box.title, L"Attention!");
    EXPECT_EQ(box.style, 64u);
    EXPECT_TRUE(visible_while_told);
    EXPECT_FALSE(window().visible);
    EXPECT_LT(system.journal.IndexOf("message Attention!"), system.journal.IndexOf("Form1 hide"));
    EXPECT_TRUE(command1().enabled);  // this path leaves the button alone
    EXPECT_EQ(system.file_dialog.opened, 0);
    EXPECT_EQ(form.FileToRun, L"");
}

TEST_F(Form1Test, WarningTimeFollowsTheSecondsTable) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"10", L"23:59:00"}, {L"59", L"23:59:50"}, {L"55", L"23:59:50"}, {L"30", L"23:59:20"}};
    for (const auto& [second, warn] : cases) {
        Choose(L"23", L"59", second, L"Restard");
        form.Label2_Click();
        EXPECT_EQ(form.WarnTime, warn);
        EXPECT_EQ(form.TargetTime, std::wstring(L"23:59:") + second);
    }
}

TEST_F(Form1Test, ArmingAgainOverwritesTheSchedule) {
    Choose(L"08", L"00", L"20", L"Shutdown");
    form.Label2_Click();
    Choose(L"09", L"45", L"59", L"Log Off");
    form.Label2_Click();
    EXPECT_EQ(form.TargetTime, L"09:45:59");
    EXPECT_EQ(form.WarnTime, L"09:45:50");
    EXPECT_EQ(window().caption, L"Tarnovelle - At: 09:45:59");
    EXPECT_EQ(system.message_box.shown.size(), 2u);
}

TEST_F(Form1Test, FullArmingOfRunFileAsksForTheFileWithTheRecordFilledIn) {
    form.Load();  // the tray icon is there
    Choose(L"06", L"15", L"40", L"Run File...");
    system.file_dialog.choice = L"C:\\Tools\\backup.cmd";
    form.Label2_Click();

    ASSERT_EQ(system.file_dialog.opened, 1);
    const platform::OpenFileNameRecord& r = system.file_dialog.seen;
    EXPECT_EQ(r.lStructSize, 76u);
    EXPECT_EQ(r.hwndOwner, kMainWindow);
    EXPECT_EQ(r.hInstance, 0x00400000u);
    EXPECT_EQ(r.lpstrFilter, std::wstring(L"File Type (*.*)\0*.*\0", 20));
    EXPECT_EQ(r.lpstrCustomFilter, L"");
    EXPECT_EQ(r.nMaxCustFilter, 0u);
    EXPECT_EQ(r.nFilterIndex, 0u);
    EXPECT_EQ(r.lpstrFile, L"");  // the file name field starts empty
    EXPECT_EQ(r.nMaxFile, 255u);
    EXPECT_EQ(r.lpstrFileTitle, std::wstring(254, L' '));
    EXPECT_EQ(r.nMaxFileTitle, 255u);
    EXPECT_EQ(r.lpstrInitialDir, L"C:\\Users\\someone\\Documents");  // not the program's folder
    EXPECT_EQ(r.lpstrTitle, L"Select the file to run...");
    EXPECT_EQ(r.Flags, 0u);
    EXPECT_EQ(r.lpstrDefExt, L"");

    EXPECT_EQ(form.FileToRun, L"C:\\Tools\\backup.cmd");
    EXPECT_EQ(form.TargetTime, L"06:15:40");
    EXPECT_EQ(form.WarnTime, L"06:15:30");
    EXPECT_LT(system.journal.IndexOf("file dialog"), system.journal.IndexOf("message Attention!"));
    EXPECT_FALSE(window().visible);
}

TEST_F(Form1Test, RunFileWithoutAFileArmsNothing) {
    // An earlier schedule stays exactly as it was.
    Choose(L"05", L"00", L"10", L"Shutdown");
    form.Label2_Click();
    window().visible = true;
    system.message_box.shown.clear();
    combo(kCombo4).Pick(L"Run File...");
    combo(kCombo3).Pick(L"30");
    timer(kTimer3).enabled = false;

    system.file_dialog.choice.reset();  // cancelled
    form.Label2_Click();
    system.file_dialog.choice = std::wstring(300, L'x');  // too long for the buffer: fails
    form.Label2_Click();

    EXPECT_EQ(system.file_dialog.opened, 2);
    EXPECT_TRUE(system.message_box.shown.empty());
    EXPECT_EQ(form.TargetTime, L"05:00:10");
    EXPECT_EQ(form.WarnTime, L"05:00:00");
    EXPECT_EQ(form.FileToRun, L"");
    EXPECT_EQ(window().caption, L"Tarnovelle - At: 05:00:10");
    EXPECT_FALSE(timer(kTimer3).enabled);
    EXPECT_TRUE(window().visible);
}

TEST_F(Form1Test, AFileReplacesTheOneChosenBefore) {
    Choose(L"06", L"15", L"40", L"Run File...");
    system.file_dialog.choice = L"C:\\a.exe";
    form.Label2_Click();
    system.file_dialog.choice = L"D:\\b c\\d.exe";
    form.Label2_Click();
    EXPECT_EQ(form.FileToRun, L"D:\\b c\\d.exe");
}

TEST_F(Form1Test, AFailingMessageBoxIsNotTrapped) {
    Choose(L"22", L"30", L"15", L"Shutdown");
    system.message_box.fail = true;
    EXPECT_THROW(form.Label2_Click(), platform::Error);
}

// ---- Short arming ---------------------------------------------------------------

TEST_F(Form1Test, ShortArmingArmsWithoutWarningAndDisablesItsButton) {
    form.Load();  // the tray icon is there
    Choose(L"07", L"30", L"10", L"Restard");
    form.Command1_Click();
    EXPECT_EQ(form.TargetTime, L"07:30:10");
    EXPECT_EQ(form.WarnTime, L"");  // not composed on this path
    EXPECT_EQ(window().caption, L"Tarnovelle - At: 07:30:10");
    EXPECT_TRUE(timer(kTimer2).enabled);
    EXPECT_FALSE(timer(kTimer3).enabled);
    EXPECT_FALSE(command1().enabled);
    ASSERT_EQ(system.message_box.shown.size(), 1u);
    EXPECT_EQ(system.message_box.shown[0].text, kWillHide);
    EXPECT_EQ(system.message_box.shown[0].title, L"Attention!");
    EXPECT_EQ(system.message_box.shown[0].style, 64u);
    EXPECT_FALSE(window().visible);
}

TEST_F(Form1Test, ShortArmingStopsAWarningLeftFromAFullArming) {
    Choose(L"07", L"30", L"25", L"Shutdown");
    form.Label2_Click();
    ASSERT_TRUE(timer(kTimer3).enabled);
    combo(kCombo2).Pick(L"45");
    form.Command1_Click();
    EXPECT_FALSE(timer(kTimer3).enabled);
    EXPECT_EQ(form.TargetTime, L"07:45:25");
    EXPECT_EQ(form.WarnTime, L"07:30:20");  // kept, but nothing looks at it
    // The old warning second passes without a warning.
    TickAt(L"07:30:20");
    EXPECT_EQ(system.forms.attention_shows, 0);
}

TEST_F(Form1Test, ShortArmingCannotArmRunFile) {
    Choose(L"07", L"30", L"10", L"Run File...");
    system.file_dialog.choice = L"C:\\x.exe";
    form.Command1_Click();
    ASSERT_EQ(system.message_box.shown.size(), 1u);
    EXPECT_EQ(system.message_box.shown[0].text, L"Select");
    EXPECT_EQ(system.message_box.shown[0].title, L"Tarnovelle");
    EXPECT_EQ(system.message_box.shown[0].style, 0u);
    EXPECT_EQ(system.file_dialog.opened, 0);
    EXPECT_EQ(form.TargetTime, L"");
    EXPECT_EQ(window().caption, L"Tarnovelle");
    EXPECT_TRUE(command1().enabled);
    EXPECT_TRUE(window().visible);
}

// ---- What the picker hands back --------------------------------------------------

TEST(PickedPath, IsTheTextUpToTheDialogsTerminator) {
    std::wstring buffer(254, L' ');
    const std::wstring path = L"C:\\Program Files\\Some App\\app.exe";
    buffer.replace(0, path.size() + 1, path + L'\0');
    EXPECT_EQ(scheduler::PickedPath(buffer), path);
}

TEST(PickedPath, HandlesBuffersTheDialogLeftOddly) {
    EXPECT_EQ(scheduler::PickedPath(std::wstring(254, L' ')), L"");
    EXPECT_EQ(scheduler::PickedPath(L""), L"");
    EXPECT_EQ(scheduler::PickedPath(std::wstring(L"\0abc", 4)), L"");
    EXPECT_EQ(scheduler::PickedPath(L"  C:\\a.exe  "), L"C:\\a.exe");   // no terminator
    EXPECT_EQ(scheduler::PickedPath(std::wstring(L"C:\\a b \0 x ", 11)), L"C:\\a b ");
    EXPECT_EQ(scheduler::PickedPath(std::wstring(255, L'q')), std::wstring(255, L'q'));
}

}  // namespace
}  // namespace fake
