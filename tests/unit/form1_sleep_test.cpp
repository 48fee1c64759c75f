// A machine that slept through the armed time: nothing is done on waking,
// the schedule stays, and the user is told once, by a balloon from the tray
// icon.
#include "scheduler/clock_text.h"
#include "tests/unit/form1_fixture.h"

namespace fake {
namespace {

using namespace windows;
using scheduler::ArmedSecondReached;
using scheduler::ArmedSecondSleptThrough;

constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kHour = 60 * kMinute;

TEST(ArmedSecondSleptThrough, OnlyWhenTheTimePassedOnABeatTooLateForAStall) {
    struct Case {
        const wchar_t* previous;
        const wchar_t* now;
        const wchar_t* armed;
        std::int64_t real_ms;  // between the two looks, on the steady clock
        std::int64_t late_ms;  // how long after it was due the beat of `now` came
        bool slept_through;
    };
    const Case table[] = {
        {L"22:59:30", L"23:01:40", L"23:00:10", 130000, 100000, true},
        {L"22:59:30", L"23:00:50", L"23:00:10", 80000, 60000, false},   // a stall: it fires
        {L"22:59:30", L"23:00:10", L"23:00:10", 100000, 70000, false},  // woke in its second
        {L"23:00:10", L"23:05:00", L"23:00:10", 290000, 250000, false},  // already seen
        {L"22:59:30", L"07:10:00", L"23:00:10", 8 * kHour, 8 * kHour, true},  // over midnight
        {L"22:59:30", L"22:59:20", L"23:00:10", 24 * kHour, 24 * kHour, true},  // nearly a day
        {L"22:59:30", L"23:00:05", L"23:00:00", 100000, 70000, true},   // clock put right on waking
        {L"22:59:30", L"05:00:00", L"23:00:10", 2 * kMinute, kMinute + 1, false},  // set on 6 h
        {L"", L"23:01:40", L"23:00:10", 130000, 100000, false},         // no previous look
    };
    constexpr std::int64_t kStart = 5'000'000;
    for (const Case& c : table) {
        const scheduler::Look previous{c.previous, kStart};
        const scheduler::Look now{c.now, kStart + c.real_ms};
        EXPECT_EQ(ArmedSecondSleptThrough(previous, now, c.late_ms, c.armed), c.slept_through)
            << Narrow(c.previous) << " -> " << Narrow(c.now) << " armed " << Narrow(c.armed);
        // A time is acted on or slept through, never both.
        EXPECT_FALSE(c.slept_through && ArmedSecondReached(previous, now, c.late_ms, c.armed))
            << Narrow(c.now);
    }
}

struct SleepRig : Form1Rig {
    SleepRig() { form.Load(); }
    // Armed at 23:00:10, so warned at 23:00:00; hidden.
    void Arm(bool with_warning = true) {
        TickAt(L"22:59:00");
        Choose(L"23", L"00", L"10", L"Shutdown");
        if (with_warning) form.Label2_Click();
        else form.Command1_Click();
        TickAt(L"22:59:30");
    }
    // Asleep from the last beat until the wall clock shows `woken`, `real_ms`
    // later; the beat that came due meanwhile comes at once on waking.
    void SleepUntil(const wchar_t* woken, std::int64_t real_ms) { TickAt(woken, real_ms); }
    std::vector<Ballooned>& balloons() { return system.notify_area.balloons; }
};

class Sleep : public ::testing::Test, public SleepRig {};

constexpr const wchar_t* kToldOfTheTime =
    L"The computer was asleep at the set time, so nothing was done. Still set for 23:00:10.";

TEST_F(Sleep, ATimeSleptThroughIsToldOnceFromTheIconAndNothingElseChanges) {
    for (bool with_warning : {true, false}) {
        SleepRig t;
        t.Arm(with_warning);
        t.SleepUntil(L"23:01:40", 130 * 1000);
        ASSERT_EQ(t.balloons().size(), 1u) << with_warning;
        const platform::NotifyIconDataV2& b = t.balloons()[0].record;
        EXPECT_EQ(b.hWnd, kMainWindow);
        EXPECT_EQ(b.szInfoTitle, L"Tarnovelle");
        EXPECT_EQ(b.szInfo, kToldOfTheTime);
        // Nothing done, nothing changed.
        EXPECT_TRUE(t.system.process.started.empty());
        EXPECT_EQ(t.system.forms.attention_shows, 0);
        EXPECT_EQ(t.window().caption, L"Tarnovelle - At: 23:00:10");
        EXPECT_FALSE(t.window().visible);
        EXPECT_TRUE(t.timer(kTimer2).enabled);
        EXPECT_EQ(t.timer(kTimer3).enabled, with_warning);
        // Told once: the beats after it, and a resume's beat, tell nothing.
        t.TickAt(L"23:01:40", 5);
        t.TickAt(L"23:02:00");
        EXPECT_EQ(t.balloons().size(), 1u);
        // The time comes round, and the schedule runs as armed.
        t.TickAt(L"22:59:59", 24 * kHour - 121 * 1000);
        t.TickAt(L"23:00:00");
        EXPECT_EQ(t.system.forms.attention_shows, with_warning ? 1 : 0);
        t.TickAt(L"23:00:10");
        EXPECT_EQ(t.system.process.started.size(), 1u);
        EXPECT_EQ(t.balloons().size(), 1u);
    }
}

TEST_F(Sleep, AWarningSleptThroughAloneIsToldAndTheActionStillComes) {
    Arm();
    // Woken before the action's second: the clock, fast before the sleep,
    // was put right on waking.
    SleepUntil(L"23:00:05", 100 * 1000);
    ASSERT_EQ(balloons().size(), 1u);
    EXPECT_EQ(balloons()[0].record.szInfo,
              L"The computer was asleep at the warning time, so no warning was shown. "
              L"Still set for 23:00:10.");
    EXPECT_EQ(system.forms.attention_shows, 0);
    TickAt(L"23:00:10");
    EXPECT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(balloons().size(), 1u);
}

TEST_F(Sleep, AStallThatStillFiresTellsNothing) {
    Arm();
    SleepUntil(L"23:00:50", 80 * 1000);  // due at 23:00:00, 50 s late
    EXPECT_EQ(system.process.started.size(), 1u);
    EXPECT_TRUE(balloons().empty());
}

TEST_F(Sleep, NothingArmedTellsNothing) {
    // Never armed.
    TickAt(L"22:59:30");
    SleepUntil(L"23:01:40", 130 * 1000);
    // Cancelled before the time.
    Arm();
    form.Click(kCancelzop);
    SleepUntil(L"23:01:40", 130 * 1000);
    // Fired, then asleep over the same time the next day.
    TickAt(L"23:00:05");
    Choose(L"23", L"00", L"10", L"Shutdown");
    form.Label2_Click();
    TickAt(L"23:00:10");
    ASSERT_EQ(system.process.started.size(), 1u);
    TickAt(L"22:59:30", 24 * kHour - 40 * 1000);
    SleepUntil(L"23:01:40", 130 * 1000);
    EXPECT_TRUE(balloons().empty());
}

TEST_F(Sleep, TwoSleepsOverTheSameTimeOnTwoDaysTellTwice) {
    Arm();
    SleepUntil(L"23:01:40", 130 * 1000);
    TickAt(L"22:59:30", 24 * kHour - 130 * 1000);
    SleepUntil(L"07:15:00", (8 * 3600 + 15 * 60 + 30) * 1000);
    ASSERT_EQ(balloons().size(), 2u);
    EXPECT_EQ(balloons()[1].record.szInfo, kToldOfTheTime);
    EXPECT_TRUE(system.process.started.empty());
}

}  // namespace
}  // namespace fake
