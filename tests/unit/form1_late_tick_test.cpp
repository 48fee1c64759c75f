// Ticks that come late: the armed second is not lost when no tick showed it,
// and nothing fires twice or a day early.
#include "scheduler/clock_text.h"
#include "tests/unit/form1_fixture.h"

namespace fake {
namespace {

using namespace windows;
using scheduler::ArmedSecondReached;

TEST(ArmedSecondReached, CountsASecondPassedSinceThePreviousLookUnlessTheMachineSleptOrTheClockJumped) {
    struct Case {
        const wchar_t* previous;
        const wchar_t* now;
        const wchar_t* armed;
        std::int64_t real_ms;  // between the two looks, on the steady clock
        std::int64_t late_ms;  // how long after it was due the beat of `now` came
        bool reached;
    };
    constexpr std::int64_t kHour = 3600 * 1000;
    const Case table[] = {
        {L"07:30:09", L"07:30:10", L"07:30:10", 1000, 0, true},    // the beat that shows it
        {L"07:30:10", L"07:30:10", L"07:30:10", 0, 0, true},       // and every beat of its second
        {L"07:30:08", L"07:30:12", L"07:30:10", 4000, 3000, true},  // held up: skipped
        {L"07:30:08", L"07:30:09", L"07:30:10", 1000, 0, false},   // not yet
        {L"07:30:10", L"07:30:11", L"07:30:10", 1000, 0, false},   // already acted on
        {L"07:29:40", L"07:30:40", L"07:30:10", 60000, 59000, true},  // held up a minute
        {L"07:29:39", L"07:30:40", L"07:30:10", 61000, 60001, false},  // slept through
        {L"07:29:00", L"07:30:00", L"07:29:30", 60000, 0, true},   // a minute's re-reading
        {L"23:59:58", L"00:00:03", L"00:00:00", 5000, 4000, true},  // over midnight
        {L"23:59:58", L"00:00:03", L"23:59:59", 5000, 4000, true},
        {L"23:59:58", L"00:00:03", L"00:00:04", 5000, 4000, false},
        {L"07:30:12", L"07:30:08", L"07:30:10", 1000, 0, false},   // the clock set back
        {L"00:00:02", L"23:59:58", L"23:59:59", 1000, 0, false},   // set back over midnight
        {L"01:59:59", L"03:00:00", L"02:30:00", 1000, 0, true},    // daylight saving begins
        {L"01:59:00", L"03:00:00", L"02:30:00", 60000, 0, true},   // seen by a re-reading
        {L"10:00:00", L"13:00:00", L"12:59:59", 1000, 0, true},    // set forward 3 h by hand
        {L"10:00:00", L"13:00:05", L"12:59:59", 1000, 0, false},   // more than 3 h
        {L"10:00:00", L"14:00:00", L"12:00:00", 1000, 0, false},
        {L"01:59:59", L"03:00:00", L"02:30:00", 1000, 61000, false},  // stepped while asleep
        {L"07:29:50", L"11:02:00", L"07:30:10", 3 * kHour, 3 * kHour, false},  // slept hours
        {L"", L"07:30:12", L"07:30:10", 1000, 0, false},           // no previous look
        {L"", L"", L"", 0, 0, true},                               // equal texts, as ever
        {L"07:30:08", L"07:30:12", L"", 4000, 0, false},           // nothing armed
        {L"07:30:08", L"07:30:12", L"7:30:10", 4000, 0, false},    // not a clock time
        {L"07:30:08", L"07:30:12", L"07:30:1x", 4000, 0, false},
        {L"07:30:08", L"07:30:12", L"24:30:10", 4000, 0, false},
    };
    constexpr std::int64_t kStart = 5'000'000;
    for (const Case& c : table)
        EXPECT_EQ(ArmedSecondReached({c.previous, kStart}, {c.now, kStart + c.real_ms}, c.late_ms,
                                     c.armed),
                  c.reached)
            << Narrow(c.previous) << " -> " << Narrow(c.now) << " armed " << Narrow(c.armed);
}

class LateTicks : public Form1Test {
public:
    LateTicks() { form.Load(); }
    void ArmFull(const wchar_t* h, const wchar_t* m, const wchar_t* s, const wchar_t* action) {
        Choose(h, m, s, action);
        form.Label2_Click();
    }
    void ArmShort(const wchar_t* h, const wchar_t* m, const wchar_t* s, const wchar_t* action) {
        Choose(h, m, s, action);
        form.Command1_Click();
    }
};

TEST_F(LateTicks, TheActionStartsOnceWhenNoTickShowedItsSecond) {
    for (auto arm : {&LateTicks::ArmFull, &LateTicks::ArmShort}) {
        system.process.started.clear();
        TickAt(L"07:30:05");
        (this->*arm)(L"07", L"30", L"10", L"Shutdown");
        TickAt(L"07:30:08");
        TickAt(L"07:30:13");  // the program did not run from :08 to :13
        ASSERT_EQ(system.process.started.size(), 1u);
        EXPECT_EQ(system.process.started[0].command_line, L"shutdown.exe -s -t 0");
        TickAt(L"07:30:13");
        TickAt(L"07:30:14");
        EXPECT_EQ(system.process.started.size(), 1u);
    }
}

TEST_F(LateTicks, TheWarningComesWhenNoTickShowedItsSecond) {
    TickAt(L"07:30:01");
    ArmFull(L"07", L"30", L"15", L"Restard");
    TickAt(L"07:30:08");
    TickAt(L"07:30:12");
    EXPECT_EQ(system.forms.attention_shows, 1);
    TickAt(L"07:30:13");
    EXPECT_EQ(system.forms.attention_shows, 1);
    EXPECT_TRUE(system.process.started.empty());
    TickAt(L"07:30:16");
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST_F(LateTicks, BothSkippedInOneGapTheActionRunsWithoutALateWarning) {
    TickAt(L"07:30:01");
    ArmFull(L"07", L"30", L"15", L"Restard");
    TickAt(L"07:30:08");
    TickAt(L"07:30:20");
    EXPECT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(system.forms.attention_shows, 0);
}

TEST_F(LateTicks, SkippedSecondsCountOverMidnight) {
    TickAt(L"23:59:40");
    ArmFull(L"00", L"00", L"10", L"Log Off");  // warns at 00:00:00
    TickAt(L"23:59:58");
    TickAt(L"00:00:02");
    EXPECT_EQ(system.forms.attention_shows, 1);
    TickAt(L"00:00:09");
    TickAt(L"00:00:11");
    ASSERT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(system.process.started[0].command_line, L"shutdown.exe -l");
}

TEST_F(LateTicks, AClockSetBackAfterFiringFiresNothingAgain) {
    TickAt(L"07:30:05");
    ArmFull(L"07", L"30", L"10", L"Shutdown");
    TickAt(L"07:30:10");
    ASSERT_EQ(system.process.started.size(), 1u);
    const int warnings = system.forms.attention_shows;
    for (const wchar_t* now : {L"07:29:55", L"07:30:00", L"07:30:09", L"07:30:10", L"07:30:11"})
        TickAt(now);
    EXPECT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(system.forms.attention_shows, warnings);
}

TEST_F(LateTicks, AJumpOfHoursFiresNothingAndStaysArmedForTheNextDay) {
    TickAt(L"07:29:00");
    ArmFull(L"07", L"30", L"10", L"Shutdown");
    TickAt(L"07:29:50");
    TickAt(L"11:02:00");  // the machine slept through the time
    EXPECT_TRUE(system.process.started.empty());
    EXPECT_EQ(system.forms.attention_shows, 0);
    EXPECT_TRUE(timer(kTimer2).enabled);
    EXPECT_TRUE(timer(kTimer3).enabled);
    TickAt(L"07:30:09");
    TickAt(L"07:30:11");
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST_F(LateTicks, ATimeThatPassedBeforeArmingIsTomorrows) {
    TickAt(L"07:30:05");
    TickAt(L"07:30:12");  // :10 passed while nothing was armed
    ArmFull(L"07", L"30", L"10", L"Shutdown");
    TickAt(L"07:30:13");
    EXPECT_TRUE(system.process.started.empty());
    EXPECT_TRUE(timer(kTimer2).enabled);
}

}  // namespace
}  // namespace fake
