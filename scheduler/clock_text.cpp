#include "scheduler/clock_text.h"

namespace scheduler {

std::wstring ClockText(const platform::LocalTime& time) {
    const int parts[3] = {time.hour, time.minute, time.second};
    std::wstring text;
    for (int i = 0; i < 3; ++i) {
        if (i) text += L':';
        text += static_cast<wchar_t>(L'0' + parts[i] / 10 % 10);
        text += static_cast<wchar_t>(L'0' + parts[i] % 10);
    }
    return text;
}

std::optional<int> SecondOfDay(const std::wstring& text) {
    if (text.size() != 8 || text[2] != L':' || text[5] != L':') return std::nullopt;
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        const wchar_t tens = text[i * 3];
        const wchar_t ones = text[i * 3 + 1];
        if (tens < L'0' || tens > L'9' || ones < L'0' || ones > L'9') return std::nullopt;
        parts[i] = (tens - L'0') * 10 + (ones - L'0');
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

int SecondsForward(int from, int to) {
    return ((to - from) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
}

namespace {

// Whether the armed second lay after `previous` and up to `now`, on a clock
// that moved forward no further than real time and a step allow.
bool PassedBetween(const Look& previous, const Look& now, const std::wstring& armed) {
    if (now.text == previous.text) return false;  // most beats: nothing passed between
    const std::optional<int> before = SecondOfDay(previous.text);
    const std::optional<int> after = SecondOfDay(now.text);
    const std::optional<int> target = SecondOfDay(armed);
    if (!before || !after || !target) return false;
    const int gap = SecondsForward(*before, *after);
    // The texts count whole seconds: a second of clock time may pass in
    // less real time than that.
    const std::int64_t real_ms = now.steady_ms > previous.steady_ms ? now.steady_ms - previous.steady_ms : 0;
    if (std::int64_t{gap} * 1000 > real_ms + kLongestStepMs + 1000) return false;
    const int to_target = SecondsForward(*before, *target);
    return to_target > 0 && to_target <= gap;
}

bool Slept(std::int64_t late_ms) { return late_ms > kLongestStallMs; }

}  // namespace

bool ArmedSecondReached(const Look& previous, const Look& now, std::int64_t late_ms,
                        const std::wstring& armed) {
    if (now.text == armed) return true;
    return !Slept(late_ms) && PassedBetween(previous, now, armed);
}

bool ArmedSecondSleptThrough(const Look& previous, const Look& now, std::int64_t late_ms,
                             const std::wstring& armed) {
    // A beat that shows the armed time acts on it, however late it came.
    if (now.text == armed) return false;
    return Slept(late_ms) && PassedBetween(previous, now, armed);
}

std::optional<std::wstring> NoticeTime(const std::wstring& now, const std::wstring& armed) {
    const std::optional<int> from = SecondOfDay(now);
    const std::optional<int> target = SecondOfDay(armed);
    if (!from || !target || SecondsForward(*from, *target) < kNoticeLeastArmedAheadSeconds)
        return std::nullopt;
    // A minute back, over midnight too.
    const int notice = SecondsForward(kNoticeLeadSeconds, *target);
    return ClockText({notice / 3600, notice / 60 % 60, notice % 60, 0});
}

bool NoticeDue(const Look& previous, const Look& now, std::int64_t late_ms,
               const std::wstring& notice) {
    if (!ArmedSecondReached(previous, now, late_ms, notice)) return false;
    // Reached, the notice second lies at most a stall or a step behind
    // `now`; when more than the notice's half minute is gone, so is its use.
    const std::optional<int> at = SecondOfDay(now.text);
    const std::optional<int> due = SecondOfDay(notice);
    return at && due && kNoticeLeadSeconds - SecondsForward(*due, *at) >= kNoticeLeastLeftSeconds;
}

std::optional<std::wstring> PostponedTime(const std::wstring& now, const std::wstring& armed) {
    const std::optional<int> from = SecondOfDay(now);
    const std::optional<int> target = SecondOfDay(armed);
    if (!from || !target) return std::nullopt;
    const int ahead = SecondsForward(*from, *target);
    if (ahead == 0 || ahead > kNoticeLeadSeconds) return std::nullopt;
    const int later = (*target + kPostponeSeconds) % kSecondsPerDay;
    return ClockText({later / 3600, later / 60 % 60, later % 60, 0});
}

}  // namespace scheduler
