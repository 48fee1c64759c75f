// Ticks that come late: the armed second is not lost when no tick showed it,
// and nothing fires twice or a day early.
#include "scheduler/clock_text.h"
#include "tests/unit/form1_fixture.h"

namespace fake {
namespace {

using namespace windows;
using scheduler::ArmedSecondReached;

TEST(ArmedSecondReached, CountsASecondPassedBetweenTwoTicksOfAShortGap) {
    struct Case {
        const wchar_t* previous;
        const wchar_t* now;
        const wchar_t* armed;
        bool reached;
    };
    const Case table[] = {
        {L"07:30:09", L"07:30:10", L"07:30:10", true},   // the tick that shows it
        {L"07:30:10", L"07:30:10", L"07:30:10", true},   // and every tick of its second
        {L"07:30:08", L"07:30:12", L"07:30:10", true},   // skipped
        {L"07:30:08", L"07:30:09", L"07:30:10", false},  // not yet
        {L"07:30:10", L"07:30:11", L"07:30:10", false},  // already acted on
        {L"07:29:40", L"07:30:40", L"07:30:10", true},   // a gap of exactly 60 s
        {L"07:29:39", L"07:30:40", L"07:30:10", false},  // 61 s: slept through
        {L"23:59:58", L"00:00:03", L"00:00:00", true},   // over midnight
        {L"23:59:58", L"00:00:03", L"23:59:59", true},
        {L"23:59:58", L"00:00:03", L"00:00:04", false},
        {L"07:30:12", L"07:30:08", L"07:30:10", false},  // the clock set back
        {L"00:00:02", L"23:59:58", L"23:59:59", false},  // set back over midnight
        {L"07:30:08", L"13:45:00", L"07:30:10", false},  // hours later
        {L"", L"07:30:12", L"07:30:10", false},          // no previous tick
        {L"", L"", L"", true},                           // equal texts, as ever
        {L"07:30:08", L"07:30:12", L"", false},          // nothing armed
        {L"07:30:08", L"07:30:12", L"7:30:10", false},   // not a clock time
        {L"07:30:08", L"07:30:12", L"07:30:1x", false},
        {L"07:30:08", L"07:30:12", L"24:30:10", false},
    };
    for (const Case& c : table)
        EXPECT_EQ(ArmedSecondReached(c.previous, c.now, c.armed), c.reached)
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
