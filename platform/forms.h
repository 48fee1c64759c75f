// The program's windows, one instance of each. Code that names a window gets
// that one instance, created and loaded on first use.
#pragma once

namespace scheduler {
class Form1;
}

namespace platform {

class IForms {
public:
    virtual ~IForms() = default;
    virtual scheduler::Form1& MainForm() = 0;
    // Modeless and without owner; an open window is only brought forward.
    virtual void ShowAttention() = 0;
    virtual void ShowAbout() = 0;
};

}  // namespace platform
