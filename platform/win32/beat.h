// A window's beat: the moment its timers that tick on the beat (design.h)
// tick together, in their order. One system timer, set each time anew for
// the moment the window's code asks for (IFormEvents::NextBeat), so the
// program wakes only when something is due; a change of the clock, the time
// zone or the power state brings a beat at once.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/win32/controls.h"

namespace platform::win32 {

class BeatSource {
public:
    // The system timer's id; the window's interval timers are numbered by
    // their intervals, which Windows takes as 10 ms at least.
    static constexpr UINT_PTR kTimerId = 1;

    // `timers`: the window's beat timers, in the order they tick.
    BeatSource(IControlSite& site, std::vector<Control*> timers)
        : site_(site), timers_(std::move(timers)) {}
    BeatSource(const BeatSource&) = delete;
    BeatSource& operator=(const BeatSource&) = delete;

    // Sets the timer for the next beat the window's code asks for (none when
    // no beat timer is on). Asked during a beat, it waits for its end.
    void Plan();
    // The timer came due.
    void Due();
    // A beat now, and the next one planned anew.
    void Now();
    // No beat any more (the window goes, or the program ends).
    void Stop();

private:
    void Run();
    void Set(UINT delay_ms, UINT tolerance_ms);

    IControlSite& site_;
    std::vector<Control*> timers_;
    bool running_ = false;
    bool stopped_ = false;
};

}  // namespace platform::win32
