#include "scheduler/beat.h"

#include <algorithm>
#include <optional>

#include "scheduler/clock_text.h"

namespace scheduler {

platform::BeatRequest NextBeat(const platform::LocalTime& now, bool clock_seen,
                               const std::vector<std::wstring>& armed) {
    const int to_next_second = 1000 - std::clamp(now.millisecond, 0, 999);
    if (clock_seen) return {to_next_second + kBeatSlackMs, 0};
    const int second = (now.hour * 60 + now.minute) * 60 + std::clamp(now.second, 0, 59);
    const int to_next_minute = 60 - std::clamp(now.second, 0, 59);
    int to_armed = kSecondsPerDay;
    for (const std::wstring& text : armed) {
        // An armed second that is under way now was this beat's to see.
        if (const std::optional<int> target = SecondOfDay(text))
            if (const int ahead = SecondsForward(second, *target); ahead > 0)
                to_armed = std::min(to_armed, ahead);
    }
    const int seconds = std::min(to_armed, to_next_minute);
    return {(seconds - 1) * 1000 + to_next_second + kBeatSlackMs,
            to_armed <= to_next_minute ? 0 : kRereadToleranceMs};
}

}  // namespace scheduler
