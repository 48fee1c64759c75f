// The main window's code on the substitute system.
#pragma once

#include "scheduler/form1.h"
#include "tests/unit/fake_platform.h"
#include "windows/form1_design.h"

namespace fake {

constexpr Handle kMainWindow = 0x000A0B0C;

// A main window on a substitute system of its own.
struct Form1Rig {
    Form1Rig() : host(windows::Form1Design(), system.journal, kMainWindow), form(host, system.services()) {
        system.forms.cancel_schedule = [this] { form.cancelzop_Click(); };
        host.window.events = &form;
        host.window.visible = true;
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

    // One beat of the window's timers: each running one ticks once, in the
    // order the real window runs them.
    void TickAt(const std::wstring& now) {
        system.clock.now = now;
        for (int id : platform::TickOrder(windows::Form1Design()))
            if (timer(id).enabled) form.Tick(id);
    }

    System system;
    Host host;
    scheduler::Form1 form;
};

class Form1Test : public ::testing::Test, public Form1Rig {};

}  // namespace fake
