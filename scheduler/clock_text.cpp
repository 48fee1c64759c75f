#include "scheduler/clock_text.h"

#include <optional>

namespace scheduler {
namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;

// Seconds since midnight of an HH:MM:SS clock text.
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

// How far forward `to` lies from `from` on the clock, in [0, one day).
int Forward(int from, int to) { return ((to - from) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay; }

}  // namespace

bool ArmedSecondReached(const std::wstring& previous, const std::wstring& now,
                        const std::wstring& armed) {
    if (now == armed) return true;
    if (now == previous) return false;  // most ticks: the same second again
    const std::optional<int> before = SecondOfDay(previous);
    const std::optional<int> after = SecondOfDay(now);
    const std::optional<int> target = SecondOfDay(armed);
    if (!before || !after || !target) return false;
    const int gap = Forward(*before, *after);
    if (gap == 0 || gap > kLongestTickGap) return false;  // still, backwards, or slept through
    const int to_target = Forward(*before, *target);
    return to_target > 0 && to_target <= gap;
}

}  // namespace scheduler
