// When the main window's beat comes: the moment its clock and its two
// triggers tick, one after the other (platform::TickOrder).
//
// A waiting program should cost the machine nothing, so the program wakes
// only when something is due: the clock text changes at the start of each
// second, so while the clock is seen the beat comes just after each second
// begins; unseen, it comes only at the start of an armed second (the
// minute's notice's, the warning's and the action's) and otherwise at the
// start of each minute, to re-read the clock.
#pragma once

#include <vector>
#include <string>

#include "platform/platform.h"

namespace scheduler {

// How long after a second begins the beat is set to come, so that the clock
// surely shows the new second when it comes.
inline constexpr int kBeatSlackMs = 1;
// How much later the system may let a minute's re-reading of the clock come;
// a beat for a second that is seen or armed comes exactly.
inline constexpr int kRereadToleranceMs = 5000;

// The next beat, from `now`. `armed` holds the texts of the times the
// triggers that are on wait for; texts that are not clock times are none.
platform::BeatRequest NextBeat(const platform::LocalTime& now, bool clock_seen,
                               const std::vector<std::wstring>& armed);

}  // namespace scheduler
