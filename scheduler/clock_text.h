// The clock text, and when a trigger acts on an armed time.
//
// The triggers compare texts, and a beat that shows the armed time acts on
// it. A beat can also come late (the machine was busy and the program did
// not run for a while), and the clock can step forward (daylight saving
// time begins, the clock is set forward by hand), so a beat also acts when
// the armed second lay between the clock text the trigger saw at its
// previous look and the one it sees now, as long as
//   - the beat came at most kLongestStallMs after it was due: a later one
//     means the machine slept or hibernated through the time (the steady
//     clock runs on in sleep), and the schedule waits for the time to come
//     round again;
//   - the clock moved forward by no more than the real time that passed
//     plus kLongestStepMs: a clock set back, or set forward by more, passed
//     no armed second.
// Never before the armed second. In the hour that repeats when daylight
// saving time ends, the first occurrence of an armed time fires, and the
// trigger is off by the second one.
//
// An armed second the machine slept through is not acted on, but the user
// is told (ArmedSecondSleptThrough): the caption still shows the time, and
// the action now comes when it comes round again, maybe a day later than
// they think.
//
// A shutdown, restart or log-off armed with a warning is also told a minute
// ahead (NoticeTime, NoticeDue): the warning's seconds are enough to cancel
// but not to save a document. A notice second no beat saw is still told
// while half of that minute is left; later it would only hurry the user.
// The notice's "15 more minutes" moves the armed time kPostponeSeconds later
// (PostponedTime), while the second it told of is still ahead: never
// sooner, and never for a time that has passed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace scheduler {

inline constexpr int kSecondsPerDay = 24 * 60 * 60;
inline constexpr std::int64_t kLongestStallMs = 60'000;
inline constexpr std::int64_t kLongestStepMs = 3 * 60 * 60'000;

// "HH:MM:SS", 24-hour, two digits each.
std::wstring ClockText(const platform::LocalTime& time);
// Seconds since midnight of an HH:MM:SS clock text; nothing for any other text.
std::optional<int> SecondOfDay(const std::wstring& text);
// How far forward `to` lies from `from` on the clock, in seconds [0, one day).
int SecondsForward(int from, int to);

// One look at the clock: its text, and the steady clock's time then.
struct Look {
    std::wstring text;
    std::int64_t steady_ms = 0;
};

// True when `now` shows the armed time, or when the armed time passed
// between `previous` and `now` as above; `late_ms` is how long after it was
// due the beat of `now` came. Texts that are not clock times count only
// when equal.
bool ArmedSecondReached(const Look& previous, const Look& now, std::int64_t late_ms,
                        const std::wstring& armed);

// True when the armed time passed between `previous` and `now` as above, but
// the beat of `now` came too late for it: the machine slept through it. Never
// true when ArmedSecondReached is.
bool ArmedSecondSleptThrough(const Look& previous, const Look& now, std::int64_t late_ms,
                             const std::wstring& armed);

// How far ahead of the armed second the notice comes.
inline constexpr int kNoticeLeadSeconds = 60;
// An arming made less far ahead than this is the user's own choice of a
// near time: they need no notice of it.
inline constexpr int kNoticeLeastArmedAheadSeconds = 90;
// The least time before the armed second that a late notice is still told with.
inline constexpr int kNoticeLeastLeftSeconds = 30;

// The second the notice is due, for an arming made when the clock showed
// `now` for the time `armed`; nothing when `armed` lies less than
// kNoticeLeastArmedAheadSeconds ahead or either text is no clock time.
std::optional<std::wstring> NoticeTime(const std::wstring& now, const std::wstring& armed);

// True when the beat of `now` tells the notice due at `notice`: the notice
// second reached as an armed second is (ArmedSecondReached), with at least
// kNoticeLeastLeftSeconds left before the second it tells of.
bool NoticeDue(const Look& previous, const Look& now, std::int64_t late_ms,
               const std::wstring& notice);

// How much later the notice's "15 more minutes" moves the armed time.
inline constexpr int kPostponeSeconds = 15 * 60;

// The armed time kPostponeSeconds later, over midnight too, for "15 more
// minutes" pressed with the clock showing `now`; nothing unless `armed` lies
// ahead within the notice's minute (not the armed second itself, which the
// action may already have taken), or when either text is no clock time.
std::optional<std::wstring> PostponedTime(const std::wstring& now, const std::wstring& armed);

}  // namespace scheduler
