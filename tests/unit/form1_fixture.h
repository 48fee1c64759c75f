// The main window's code on the substitute system.
#pragma once

#include "scheduler/form1.h"
#include "tests/unit/fake_platform.h"
#include "windows/form1_design.h"

namespace fake {

constexpr Handle kMainWindow = 0x000A0B0C;

class Form1Test : public ::testing::Test {
protected:
    Form1Test() : host(windows::Form1Design(), system.journal, kMainWindow), form(host, system.services()) {
        system.forms.main = &form;
        host.window.events = &form;
        host.window.visible = true;
    }

    List& combo(int id) { return *host.lists.at(id); }
    Timer& timer(int id) { return *host.timers.at(id); }
    TextBox& text(int id) { return *host.texts.at(id); }
    Button& command1() { return *host.buttons.at(windows::kCommand1); }
    Window& window() { return host.window; }

    void Choose(const wchar_t* hour, const wchar_t* minute, const wchar_t* second,
                const wchar_t* action) {
        if (hour) combo(windows::kCombo1).Pick(hour);
        if (minute) combo(windows::kCombo2).Pick(minute);
        if (second) combo(windows::kCombo3).Pick(second);
        if (action) combo(windows::kCombo4).Pick(action);
    }

    // One tick of each running timer, in the order the window runs them.
    void TickAt(const std::wstring& now) {
        system.clock.now = now;
        for (int id : {windows::kTimer1, windows::kTimer2, windows::kTimer3})
            if (timer(id).enabled) form.Tick(id);
    }

    System system;
    Host host;
    scheduler::Form1 form;
};

}  // namespace fake
