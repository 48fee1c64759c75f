// When a trigger acts: the clock text against an armed time.
//
// The triggers compare texts, and a tick that shows the armed time acts on
// it. A tick can also come late (the program did not run for a while, the
// machine was busy, the clock was set forward by time synchronisation), so
// a tick also acts when the armed second lay between the clock text the
// trigger saw at its previous tick and the one it sees now, provided that
// gap is short. A longer gap means the machine slept or hibernated through
// the time; the schedule then waits for the time to come round again.
#pragma once

#include <string>

namespace scheduler {

// The longest gap between two ticks, in seconds of clock time, across which
// a passed second still counts.
inline constexpr int kLongestTickGap = 60;

// True when `now` is the armed time, or when the armed time lies after
// `previous` and not after `now`, going forward at most kLongestTickGap
// seconds (over midnight too). A clock set back never counts as passing
// anything. Texts that are not HH:MM:SS clock times count only when equal.
bool ArmedSecondReached(const std::wstring& previous, const std::wstring& now,
                        const std::wstring& armed);

}  // namespace scheduler
