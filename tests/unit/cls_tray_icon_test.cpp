// The notification-area icon manager against the substitute system.
#include "tray/cls_tray_icon.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/unit/fake_platform.h"

namespace fake {
namespace {

using tray::clsTrayIcon;

constexpr Handle kWindow = 0x00123456;

class TrayIcon : public ::testing::Test {
protected:
    TrayIcon() : window(windows_design(), journal, kWindow), icon(notify, code_page, screen) {}

    static const platform::FormDesign& windows_design() {
        static const platform::FormDesign design{.name = L"Form1", .caption = L"Tarnovelle"};
        return design;
    }

    // X in twips for an event code, as the window reports it.
    static float X(int code) { return static_cast<float>(code * 15); }

    std::int32_t Move(float x, platform::IWindow* form, platform::IMenu* menu) {
        return icon.fn_MouseMove(form, 1, x, 0.0f, platform::kStateNormal, menu);
    }

    Journal journal;
    NotifyArea notify{journal};
    CodePage code_page;
    Screen screen;
    Window window;
    Menu menu;
    clsTrayIcon icon;
};

std::string Tip(const platform::NotifyIconData88& record) {
    return std::string(record.szTip, sizeof record.szTip);
}

// ---- Adding and removing ---------------------------------------------------------

TEST_F(TrayIcon, AddSendsTheWholeRecord) {
    Picture picture(0xBEEF);
    EXPECT_EQ(icon.fn_ShowIcon(kWindow, &picture, L"Tarnovelle"), 0);
    ASSERT_EQ(notify.calls.size(), 1u);
    EXPECT_EQ(notify.calls[0].message, 0u);  // NIM_ADD
    const platform::NotifyIconData88& r = notify.calls[0].record;
    unsigned char bytes[88];
    std::memcpy(bytes, &r, sizeof bytes);
    auto word = [&](int at) {
        return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                          bytes[at + 3] << 24);
    };
    EXPECT_EQ(word(0), 88u);
    EXPECT_EQ(word(4), kWindow);
    EXPECT_EQ(word(8), 1u);
    EXPECT_EQ(word(12), 7u);    // message, icon, tip
    EXPECT_EQ(word(16), 0x8002u);  // the program's own message, never a real mouse move
    EXPECT_EQ(word(20), 0xBEEFu);
    EXPECT_EQ(Tip(r), std::string("Tarnovelle") + '\0' + std::string(53, ' '));
}

TEST_F(TrayIcon, DeleteNamesTheIconAndKeepsTheRestOfTheRecord) {
    Picture picture(0xBEEF);
    icon.fn_ShowIcon(kWindow, &picture, L"Tarnovelle");
    notify.answer = false;  // a refusal is not an error
    EXPECT_EQ(icon.fn_HideIcon(0x999), 0);
    ASSERT_EQ(notify.calls.size(), 2u);
    const Notified& del = notify.calls[1];
    EXPECT_EQ(del.message, 2u);  // NIM_DELETE
    EXPECT_EQ(del.record.cbSize, 88u);
    EXPECT_EQ(del.record.hWnd, 0x999u);
    EXPECT_EQ(del.record.uID, 1u);
    EXPECT_EQ(del.record.uFlags, 7u);
    EXPECT_EQ(del.record.uCallbackMessage, 0x8002u);
    EXPECT_EQ(del.record.hIcon, 0xBEEFu);
    EXPECT_EQ(Tip(del.record), Tip(notify.calls[0].record));
}

TEST_F(TrayIcon, DeleteWithoutAddSendsAnOtherwiseEmptyRecord) {
    EXPECT_EQ(icon.fn_HideIcon(kWindow), 0);
    ASSERT_EQ(notify.calls.size(), 1u);
    const platform::NotifyIconData88& r = notify.calls[0].record;
    EXPECT_EQ(r.cbSize, 88u);
    EXPECT_EQ(r.uID, 1u);
    EXPECT_EQ(r.uFlags, 0u);
    EXPECT_EQ(r.hIcon, 0u);
}

TEST_F(TrayIcon, AddWithoutAPictureStillAddsWithThePreviousHandle) {
    EXPECT_EQ(icon.fn_ShowIcon(kWindow, nullptr, L"x"), 0);
    EXPECT_EQ(notify.calls.back().record.hIcon, 0u);
    Picture picture(0x77);
    icon.fn_ShowIcon(kWindow, &picture, L"x");
    icon.fn_ShowIcon(kWindow, nullptr, L"x");
    EXPECT_EQ(notify.calls.size(), 3u);
    EXPECT_EQ(notify.calls.back().record.hIcon, 0x77u);
}

TEST_F(TrayIcon, AFailingShellCallIsSwallowed) {
    notify.fail = true;
    Picture picture(1);
    EXPECT_EQ(icon.fn_ShowIcon(kWindow, &picture, L"x"), 0);
    EXPECT_EQ(icon.fn_HideIcon(kWindow), 0);
}

// ---- A balloon from the icon --------------------------------------------------------

TEST_F(TrayIcon, ABalloonChangesTheAddedIconInTheLaterRecordAndLeavesItsOwnRecord) {
    Picture picture(0xBEEF);
    icon.fn_ShowIcon(kWindow, &picture, L"Tarnovelle");
    EXPECT_EQ(icon.fn_ShowBalloon(L"Tarnovelle", L"Asleep at 23:00:10."), 0);
    ASSERT_EQ(notify.balloons.size(), 1u);
    EXPECT_EQ(notify.balloons[0].message, platform::kNimModify);
    const platform::NotifyIconDataV2& b = notify.balloons[0].record;
    EXPECT_EQ(b.cbSize, 936u);
    EXPECT_EQ(b.hWnd, kWindow);
    EXPECT_EQ(b.uID, 1u);
    EXPECT_EQ(b.uFlags, 0x10u);  // the balloon alone: icon, tip and callback stay
    EXPECT_EQ(b.szInfoTitle, L"Tarnovelle");
    EXPECT_EQ(b.szInfo, L"Asleep at 23:00:10.");
    EXPECT_EQ(b.dwInfoFlags, 0x11u);  // the information icon, no sound
    // The icon's own record goes on as before: a restore adds the same icon.
    icon.fn_RestoreIcon();
    ASSERT_EQ(notify.calls.size(), 2u);
    EXPECT_EQ(std::memcmp(&notify.calls[1].record, &notify.calls[0].record, 88), 0);
}

TEST_F(TrayIcon, ABalloonTheSystemCannotShowFailsSilently) {
    EXPECT_EQ(icon.fn_ShowBalloon(L"Tarnovelle", L"x"), 0);  // no icon ever added
    EXPECT_TRUE(notify.balloons.empty());
    Picture picture(1);
    icon.fn_ShowIcon(kWindow, &picture, L"Tarnovelle");
    ASSERT_TRUE(icon.IconPresent());
    notify.answer = false;  // balloons switched off
    EXPECT_EQ(icon.fn_ShowBalloon(L"Tarnovelle", L"x"), 0);
    notify.fail = true;
    EXPECT_EQ(icon.fn_ShowBalloon(L"Tarnovelle", L"x"), 0);
    // A balloon refused says nothing of the icon, which the window hides behind.
    EXPECT_TRUE(icon.IconPresent());
}

// ---- The tip -----------------------------------------------------------------------

TEST_F(TrayIcon, TipsUpTo63CharactersEndInsideTheField) {
    Picture picture(1);
    const std::pair<std::size_t, std::string> cases[] = {
        {0, std::string(1, '\0') + std::string(63, ' ')},
        {63, std::string(63, 'a') + '\0'},
        {64, std::string(64, 'a')},
        {100, std::string(64, 'a')},
    };
    for (const auto& [length, expected] : cases) {
        icon.fn_ShowIcon(kWindow, &picture, std::wstring(length, L'a'));
        EXPECT_EQ(Tip(notify.calls.back().record), expected) << length;
        // The program's own copy is 64 characters, as the field.
        EXPECT_EQ(icon.udt_TrayData().szTip[63], length >= 64 ? L'a' : (length == 63 ? L'\0' : L' '));
    }
}

TEST_F(TrayIcon, DoubleByteTipsAreCutBetweenCharactersWithin64Bytes) {
    Picture picture(1);
    // 40 ideographs take 80 bytes: only 32 fit, and nothing is cut in half.
    icon.fn_ShowIcon(kWindow, &picture, std::wstring(40, L'\x65E5'));
    std::string tip = Tip(notify.calls.back().record);
    ASSERT_EQ(tip.size(), 64u);
    for (int i = 0; i < 64; i += 2) {
        EXPECT_EQ(static_cast<unsigned char>(tip[i]), 0x81 + (0x65E5 >> 8) % 0x1F) << i;
        EXPECT_EQ(static_cast<unsigned char>(tip[i + 1]), 0x40 + (0x65E5 & 0x3F)) << i;
    }
    // An odd byte left over is a NUL, never half a character.
    icon.fn_ShowIcon(kWindow, &picture, L"a" + std::wstring(40, L'\x65E5'));
    tip = Tip(notify.calls.back().record);
    EXPECT_EQ(tip[0], 'a');
    EXPECT_EQ(tip[63], '\0');
    EXPECT_NE(tip[62], '\0');
    // Mixed text that fits keeps its terminator and blanks.
    icon.fn_ShowIcon(kWindow, &picture, L"Tarnovelle \x65E5\x672C");
    tip = Tip(notify.calls.back().record);
    EXPECT_EQ(tip.substr(0, 11), "Tarnovelle ");
    EXPECT_EQ(tip[15], '\0');
    EXPECT_EQ(tip.substr(16, 48 - 2), std::string(46, ' '));
}

TEST_F(TrayIcon, ASurrogatePairIsOneCharacter) {
    Picture picture(1);
    icon.fn_ShowIcon(kWindow, &picture, std::wstring(L"a\xD83D\xDE00" L"b"));
    const std::string tip = Tip(notify.calls.back().record);
    EXPECT_EQ(tip.substr(0, 4), std::string("a?b") + '\0');
}

// ---- Decoding the mouse messages ------------------------------------------------------

TEST_F(TrayIcon, DoubleClickShowsTheWindowAndRestoresItIfMinimised) {
    EXPECT_EQ(Move(X(515), &window, &menu), 0);
    EXPECT_EQ(window.shows, 1);
    EXPECT_FALSE(journal.Has("Form1 state 0"));  // not minimised: state untouched

    window.state = platform::kStateMinimized;
    icon.fn_MouseMove(&window, 1, X(515), 0, platform::kStateNormal, &menu);
    EXPECT_EQ(window.state, platform::kStateNormal);
    EXPECT_EQ(window.shows, 2);
    EXPECT_LT(journal.IndexOf("Form1 state 0"), static_cast<int>(journal.entries.size()) - 1);
}

TEST_F(TrayIcon, RightButtonReleasePopsUpTheMenu) {
    EXPECT_EQ(Move(X(517), &window, &menu), 0);
    EXPECT_EQ(window.popups, 1);
    EXPECT_EQ(window.shows, 0);
    EXPECT_EQ(Move(X(517), &window, nullptr), 0);  // no menu: nothing
    EXPECT_EQ(window.popups, 1);
}

TEST_F(TrayIcon, OtherEventsOnlyUpdateTheDecodedCode) {
    for (int code : {512, 513, 514, 516, 0, 518, 100}) {
        EXPECT_EQ(Move(X(code), &window, &menu), 0);
        EXPECT_EQ(icon.lng_TrayMsg(), code);
    }
    EXPECT_EQ(window.shows, 0);
    EXPECT_EQ(window.popups, 0);
    EXPECT_TRUE(journal.entries.empty());
}

TEST_F(TrayIcon, HalvesRoundToTheEvenNeighbour) {
    const std::pair<float, int> cases[] = {
        {7732.5f, 516}, {7717.5f, 514}, {7725.0f, 515}, {7.5f, 0}, {22.5f, 2}, {-7.5f, 0},
        {-22.5f, -2}, {7733.0f, 516}, {7732.0f, 515},
    };
    for (const auto& [x, code] : cases) {
        Move(x, &window, nullptr);
        EXPECT_EQ(icon.lng_TrayMsg(), code) << x;
    }
    screen.twips_per_pixel = 12.0f;  // 120 pixels per inch
    Move(515 * 12.0f, &window, nullptr);
    EXPECT_EQ(icon.lng_TrayMsg(), 515);
}

TEST_F(TrayIcon, UnrepresentableCoordinatesKeepTheLastCode) {
    Move(X(513), &window, &menu);
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 3.3e10f, -3.3e10f,
                         std::numeric_limits<float>::max()};
    for (float x : bad) {
        EXPECT_EQ(Move(x, &window, &menu), platform::kErrOverflow) << x;
        EXPECT_EQ(icon.lng_TrayMsg(), 513);
    }
    // The largest that fits still decodes.
    screen.twips_per_pixel = 1.0f;
    Move(2147483520.0f, &window, nullptr);
    EXPECT_EQ(icon.lng_TrayMsg(), 2147483520);
    Move(-2147483648.0f, &window, nullptr);
    EXPECT_EQ(icon.lng_TrayMsg(), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Move(2147483648.0f, &window, nullptr), platform::kErrOverflow);
    screen.twips_per_pixel = 0.0f;
    EXPECT_EQ(Move(X(515), &window, &menu), 11);
    EXPECT_EQ(window.shows, 0);
}

TEST_F(TrayIcon, AFailedDecodeStillActsOnTheCodeItKept) {
    // The code from before stays and is acted on, as the steps go on.
    Move(X(515), &window, &menu);
    EXPECT_EQ(Move(std::numeric_limits<float>::quiet_NaN(), &window, &menu), platform::kErrOverflow);
    EXPECT_EQ(window.shows, 2);
}

TEST_F(TrayIcon, NestedCallsWhileTheMenuIsOpenOnlyDecode) {
    std::vector<std::int32_t> nested_results;
    window.while_menu_open = [&](platform::IMenu&) {
        EXPECT_TRUE(icon.bln_Busy());
        nested_results.push_back(Move(X(515), &window, &menu));
        nested_results.push_back(Move(X(517), &window, &menu));
        EXPECT_EQ(icon.lng_TrayMsg(), 517);
        nested_results.push_back(Move(std::nanf(""), &window, &menu));
    };
    EXPECT_EQ(Move(X(517), &window, &menu), 0);
    EXPECT_EQ(window.popups, 1);  // neither repeated nor interrupted
    EXPECT_EQ(window.shows, 0);
    EXPECT_EQ(nested_results, (std::vector<std::int32_t>{0, 0, platform::kErrOverflow}));
    EXPECT_FALSE(icon.bln_Busy());
    // Afterwards it acts again.
    Move(X(515), &window, &menu);
    EXPECT_EQ(window.shows, 1);
}

TEST_F(TrayIcon, FailingWindowOperationsAreSkippedAndTheLastErrorReturned) {
    window.refuse = {"state"};
    EXPECT_EQ(Move(X(515), &window, &menu), 5);
    EXPECT_EQ(window.shows, 1);  // the next step still ran
    EXPECT_FALSE(icon.bln_Busy());

    window.refuse = {"state", "show"};
    EXPECT_EQ(Move(X(515), &window, &menu), 5);
    EXPECT_FALSE(icon.bln_Busy());

    window.refuse = {"popup"};
    EXPECT_EQ(Move(X(517), &window, &menu), 5);
    EXPECT_FALSE(icon.bln_Busy());

    // A null window.
    EXPECT_EQ(Move(X(515), nullptr, &menu), platform::kErrObjectNotSet);
    EXPECT_EQ(Move(X(517), nullptr, &menu), platform::kErrObjectNotSet);
    EXPECT_FALSE(icon.bln_Busy());
    // The error does not outlive its call.
    window.refuse.clear();
    EXPECT_EQ(Move(X(512), &window, &menu), 0);
}

}  // namespace
}  // namespace fake
