// The beat: when the program wakes to look at the clock, and what the
// triggers make of what they see when the clock or the machine did
// something unusual in between.
#include "scheduler/beat.h"
#include "tests/unit/form1_fixture.h"

namespace fake {
namespace {

using namespace windows;
using platform::BeatRequest;
using platform::LocalTime;
using scheduler::kBeatSlackMs;
using scheduler::kRereadToleranceMs;
using scheduler::NextBeat;

constexpr int kExact = 0;

TEST(NextBeat, ComesJustAfterTheNextSecondThatMatters) {
    struct Case {
        LocalTime now;
        bool clock_seen;
        std::vector<std::wstring> armed;
        int delay_ms;
        int tolerance_ms;
    };
    const Case table[] = {
        // Seen, the clock changes at every second's start.
        {{7, 30, 5, 250}, true, {}, 750 + kBeatSlackMs, kExact},
        {{7, 30, 5, 999}, true, {L"07:30:10"}, 1 + kBeatSlackMs, kExact},
        {{23, 59, 59, 0}, true, {}, 1000 + kBeatSlackMs, kExact},
        // Unseen and unarmed: the next minute's start, which may come a little later.
        {{7, 30, 5, 250}, false, {}, 54750 + kBeatSlackMs, kRereadToleranceMs},
        {{7, 30, 0, 0}, false, {}, 60000 + kBeatSlackMs, kRereadToleranceMs},
        {{23, 59, 30, 500}, false, {}, 29500 + kBeatSlackMs, kRereadToleranceMs},
        // Armed: the armed second's start, exactly, when it comes before the minute's.
        {{7, 30, 5, 250}, false, {L"07:30:15", L"07:30:10"}, 4750 + kBeatSlackMs, kExact},
        {{7, 30, 10, 3}, false, {L"07:30:15", L"07:30:10"}, 4997 + kBeatSlackMs, kExact},
        {{7, 30, 50, 0}, false, {L"07:31:00"}, 10000 + kBeatSlackMs, kExact},  // at a minute's start
        {{7, 30, 5, 0}, false, {L"07:45:10"}, 55000 + kBeatSlackMs, kRereadToleranceMs},
        {{23, 59, 59, 500}, false, {L"00:00:00"}, 500 + kBeatSlackMs, kExact},  // over midnight
        // The second under way was this beat's; the next one is tomorrow's.
        {{7, 30, 10, 3}, false, {L"07:30:10"}, 49997 + kBeatSlackMs, kRereadToleranceMs},
        // Texts that are not clock times are no armed seconds.
        {{7, 30, 5, 0}, false, {L"", L"7:30:10", L"07:30:6x"}, 55000 + kBeatSlackMs,
         kRereadToleranceMs},
    };
    for (const Case& c : table) {
        const BeatRequest beat = NextBeat(c.now, c.clock_seen, c.armed);
        EXPECT_EQ(beat.delay_ms, c.delay_ms) << c.now.hour << ":" << c.now.minute << ":"
                                             << c.now.second << "." << c.now.millisecond;
        EXPECT_EQ(beat.tolerance_ms, c.tolerance_ms) << c.now.second;
    }
}

class Beat : public Form1Test {
public:
    Beat() { form.Load(); }
    void ArmFull(const wchar_t* h, const wchar_t* m, const wchar_t* s, const wchar_t* action) {
        Choose(h, m, s, action);
        form.Label2_Click();
    }
    // The clock passing one second after the other, undisturbed.
    void RunClock(int hour, int minute, int from_second, int to_second) {
        for (int s = from_second; s <= to_second; ++s) {
            wchar_t now[9];
            swprintf(now, 9, L"%02d:%02d:%02d", hour, minute, s);
            TickAt(now);
        }
    }
};

TEST_F(Beat, IsAskedForEverySecondWhileShownAndOnlyForTheArmedSecondsWhileHidden) {
    TickAt(L"07:30:01");
    EXPECT_EQ(next_beat.delay_ms, 1000 + kBeatSlackMs);
    ArmFull(L"07", L"30", L"35", L"Shutdown");  // hides; warns at :30
    ASSERT_FALSE(window().visible);
    EXPECT_EQ(form.NextBeat().delay_ms, 29000 + kBeatSlackMs);  // the warning's second
    TickAt(L"07:30:30");
    EXPECT_EQ(system.forms.attention_shows, 1);
    EXPECT_EQ(next_beat.delay_ms, 5000 + kBeatSlackMs);  // the action's second
    EXPECT_EQ(next_beat.tolerance_ms, kExact);
    TickAt(L"07:30:35");
    ASSERT_EQ(system.process.started.size(), 1u);
    // Fired: nothing is left to wait for but the minute's re-reading.
    EXPECT_EQ(next_beat.delay_ms, 25000 + kBeatSlackMs);
    EXPECT_EQ(next_beat.tolerance_ms, kRereadToleranceMs);
}

TEST_F(Beat, AskedAgainWhileABeatIsOverdueItComesAtOnceAndKeepsItsLateness) {
    TickAt(L"07:30:01");
    Choose(L"07", L"30", L"10", L"Shutdown");
    form.Command1_Click();
    ASSERT_EQ(form.NextBeat().delay_ms, 9000 + kBeatSlackMs);
    // Held up past the armed second; something asks for the next beat before
    // the one that is due comes.
    system.clock.Set(L"07:30:13");
    system.clock.steady_ms += 12000;
    EXPECT_EQ(form.NextBeat().delay_ms, 0);
    EXPECT_EQ(form.NextBeat().tolerance_ms, kExact);
    TickAt(L"07:30:13", 0);
    ASSERT_EQ(system.process.started.size(), 1u);
    EXPECT_GT(next_beat.delay_ms, 0);  // and the beat after it is planned afresh
}

TEST_F(Beat, ShownAgainTheClockIsSeenEverySecondAndMinimisedItIsNot) {
    ArmFull(L"09", L"00", L"10", L"Restard");
    form.itmShowMainWindow_Click();
    EXPECT_EQ(form.NextBeat().delay_ms, 1000 + kBeatSlackMs);
    window().state = platform::kStateMinimized;
    EXPECT_GT(form.NextBeat().delay_ms, 1000 + kBeatSlackMs);
}

TEST_F(Beat, TheFirstOccurrenceOfTheRepeatedAutumnHourFiresAndTheSecondDoesNothing) {
    TickAt(L"02:29:50");
    ArmFull(L"02", L"30", L"10", L"Shutdown");  // warns at 02:30:00
    RunClock(2, 29, 51, 59);
    RunClock(2, 30, 0, 11);
    ASSERT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(system.forms.attention_shows, 1);
    TickAt(L"02:59:59");
    TickAt(L"02:00:00", 1000);  // daylight saving time ends: an hour back
    RunClock(2, 29, 55, 59);
    RunClock(2, 30, 0, 15);
    EXPECT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(system.forms.attention_shows, 1);
}

TEST_F(Beat, ASecondTheSpringForwardHourSkippedFiresOnceAtOnce) {
    for (bool shown : {true, false}) {
        system.process.started.clear();
        TickAt(L"01:59:30");
        ArmFull(L"02", L"30", L"15", L"Log Off");  // warns at 02:30:10
        if (shown) form.itmShowMainWindow_Click();
        TickAt(L"01:59:59");
        TickAt(L"03:00:00", 1000);  // daylight saving time begins
        ASSERT_EQ(system.process.started.size(), 1u) << shown;
        EXPECT_EQ(system.process.started[0].command_line, L"shutdown.exe -l");
        RunClock(3, 0, 1, 5);
        EXPECT_EQ(system.process.started.size(), 1u);
    }
}

TEST_F(Beat, TheClockSetForwardByHandFiresWhatItSkippedUpToThreeHours) {
    TickAt(L"08:00:00");
    ArmFull(L"10", L"15", L"30", L"Restard");
    TickAt(L"08:00:30");
    TickAt(L"10:20:00", 500);  // set forward 2 h 19 min by hand
    ASSERT_EQ(system.process.started.size(), 1u);
    EXPECT_EQ(system.process.started[0].command_line, L"shutdown.exe -r -t 0");
}

TEST_F(Beat, TheClockSetForwardMoreThanThreeHoursWaitsForTheTimeToComeRound) {
    TickAt(L"08:00:00");
    ArmFull(L"10", L"15", L"30", L"Restard");
    TickAt(L"08:00:30");
    TickAt(L"13:00:00", 500);  // five hours on
    EXPECT_TRUE(system.process.started.empty());
    EXPECT_EQ(system.forms.attention_shows, 0);
    EXPECT_TRUE(timer(kTimer2).enabled);
    TickAt(L"10:15:29", 500);  // set right again
    TickAt(L"10:15:30");
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST_F(Beat, AClockSetBackBeforeTheArmedSecondWaitsForItAndFiresOnce) {
    TickAt(L"07:30:05");
    ArmFull(L"07", L"30", L"10", L"Shutdown");
    TickAt(L"06:30:06", 1000);  // an hour back
    EXPECT_TRUE(system.process.started.empty());
    TickAt(L"07:30:09", 3600 * 1000);
    EXPECT_TRUE(system.process.started.empty());
    TickAt(L"07:30:10");
    EXPECT_EQ(system.process.started.size(), 1u);
}

TEST_F(Beat, AMachineThatSleptPastTheTimeDoesNotFireOnWaking) {
    TickAt(L"22:59:00");
    ArmFull(L"23", L"00", L"10", L"Shutdown");  // warns at 23:00:00
    TickAt(L"22:59:30");
    // Asleep from just before the warning until well after the action: the
    // beat that came due meanwhile comes at once on waking, over a minute late.
    TickAt(L"23:01:40", 130 * 1000);
    EXPECT_TRUE(system.process.started.empty());
    EXPECT_EQ(system.forms.attention_shows, 0);
    EXPECT_TRUE(timer(kTimer2).enabled);
    // A short sleep, less than a minute past the time, is taken for a stall.
    TickAt(L"22:59:30", 1000);  // the clock set back to see it again
    TickAt(L"23:00:20", 50 * 1000);
    EXPECT_EQ(system.process.started.size(), 1u);
}

}  // namespace
}  // namespace fake
