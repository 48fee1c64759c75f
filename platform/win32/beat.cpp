#include "platform/win32/beat.h"

#include <algorithm>

#ifndef TIMERV_NO_COALESCING
#define TIMERV_NO_COALESCING 0xFFFFFFFFu
#endif

namespace platform::win32 {

namespace {

// SetCoalescableTimer (Windows 8 and later) lets the system wake the machine
// once for several programs' timers that may come a little late.
using SetCoalescableTimerFn = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);

SetCoalescableTimerFn CoalescableTimer() {
    static const auto function = reinterpret_cast<SetCoalescableTimerFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetCoalescableTimer")));
    return function;
}

}  // namespace

void BeatSource::Plan() {
    HWND window = site_.Window();
    if (stopped_ || running_ || !window) return;
    const bool any_on = std::any_of(timers_.begin(), timers_.end(),
                                    [](const Control* timer) { return timer->TicksOnBeat(); });
    IFormEvents* events = site_.Events();
    const BeatRequest next = any_on && events ? events->NextBeat() : BeatRequest{};
    if (next.delay_ms < 0) {
        KillTimer(window, kTimerId);
        return;
    }
    Set(static_cast<UINT>(next.delay_ms), static_cast<UINT>(std::max(next.tolerance_ms, 0)));
}

void BeatSource::Set(UINT delay_ms, UINT tolerance_ms) {
    HWND window = site_.Window();
    // Setting the timer again replaces the one pending.
    if (SetCoalescableTimerFn coalescable = CoalescableTimer())
        coalescable(window, kTimerId, delay_ms, nullptr,
                    tolerance_ms ? tolerance_ms : TIMERV_NO_COALESCING);
    else
        SetTimer(window, kTimerId, delay_ms, nullptr);
}

void BeatSource::Due() {
    // The timer is set anew, or killed, once the beat has run: each beat
    // costs one call to the system for its timer.
    Run();
    Plan();
}

void BeatSource::Now() {
    Run();
    Plan();
}

void BeatSource::Stop() {
    stopped_ = true;
    if (HWND window = site_.Window()) KillTimer(window, kTimerId);
}

void BeatSource::Run() {
    if (stopped_ || running_) return;
    running_ = true;
    struct Done {
        bool& running;
        ~Done() { running = false; }
    } done{running_};
    for (Control* timer : timers_) {
        // A tick may end the program's work: its window gone or the timers stopped.
        IFormEvents* events = site_.Events();
        if (stopped_ || !site_.Window() || !events) return;
        if (timer->TicksOnBeat()) events->Tick(timer->design().id);
    }
}

}  // namespace platform::win32
