// The main window's code on the substitute system.
#pragma once

#include <cstdint>
#include <optional>

#include "scheduler/form1.h"
#include "tests/unit/fake_platform.h"
#include "windows/form1_design.h"

namespace fake {

constexpr Handle kMainWindow = 0x000A0B0C;

// A main window on a substitute system of its own.
struct Form1Rig {
    Form1Rig() : host(windows::Form1Design(), system.journal, kMainWindow), form(host, system.services()) {
        system.forms.cancel_schedule = [this] { form.cancelzop_Click(); };
        system.forms.postpone_schedule = [this] { form.Notice_MoreTime(); };
        host.window.events = &form;
        host.window.visible = true;
        next_beat = form.NextBeat();  // as the window asks once it is made
    }

    List& combo(int id) { return host.Get<List>(id); }
    Timer& timer(int id) { return host.Get<Timer>(id); }
    TextBox& text(int id) { return host.Get<TextBox>(id); }
    Button& command1() { return host.Get<Button>(windows::kCommand1); }
    Window& window() { return host.window; }

    void Choose(const wchar_t* hour, const wchar_t* minute, const wchar_t* second,
                const wchar_t* action) {
        if (hour) combo(windows::kCombo1).Pick(hour);
        if (minute) combo(windows::kCombo2).Pick(minute);
        if (second) combo(windows::kCombo3).Pick(second);
        if (action) combo(windows::kCombo4).Pick(action);
    }

    // One beat, as the real window runs it: the wall clock shows `now`,
    // `real_ms` of real time after the previous beat (by default as much as
    // the wall clock moved forward, as when nothing disturbs it); each of
    // the beat's timers that is on ticks once, in the real window's order;
    // then the next beat is asked for.
    void TickAt(const std::wstring& now, std::optional<std::int64_t> real_ms = std::nullopt) {
        const int before = SecondOfDay(system.clock.time);
        system.clock.Set(now);
        system.clock.steady_ms +=
            real_ms ? *real_ms
                    : 1000 * std::int64_t{scheduler::SecondsForward(before, SecondOfDay(system.clock.time))};
        for (int id : platform::TickOrder(windows::Form1Design()))
            if (timer(id).enabled) form.Tick(id);
        next_beat = form.NextBeat();
    }
    static int SecondOfDay(const platform::LocalTime& t) { return (t.hour * 60 + t.minute) * 60 + t.second; }

    System system;
    Host host;
    scheduler::Form1 form;
    platform::BeatRequest next_beat;  // what the form asked for after the last beat
};

class Form1Test : public ::testing::Test, public Form1Rig {};

}  // namespace fake
