// The program's windows, one instance of each, as the windows' code reaches
// them. Code that names a window gets that one instance, created and loaded
// on first use.
#pragma once

namespace platform {

class IForms {
public:
    virtual ~IForms() = default;
    // The main window's own cancel: the armed action no longer fires, and the
    // main window shows again, ready to be armed.
    virtual void CancelSchedule() = 0;
    // Modeless and without owner; an open window is only brought forward.
    virtual void ShowAttention() = 0;
    // The warning goes, if it is open.
    virtual void CloseAttention() = 0;
    virtual void ShowAbout() = 0;
};

}  // namespace platform
