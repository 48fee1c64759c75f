// The program's windows, one instance of each, as the windows' code reaches
// them. Code that names a window gets that one instance, created and loaded
// on first use.
#pragma once

#include <string>

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
    // The minute's notice saying `words`, with its two buttons; modeless,
    // without owner and without taking the foreground. An open notice only
    // says the new words.
    virtual void ShowNotice(const std::wstring& words) = 0;
    // The notice, open or not, says `words` without its buttons, and goes by
    // itself a few seconds later.
    virtual void ConfirmNotice(const std::wstring& words) = 0;
    // The notice goes, if it is open.
    virtual void CloseNotice() = 0;
    // The notice's "15 more minutes": the main window's own postponing.
    virtual void PostponeSchedule() = 0;
    virtual void ShowAbout() = 0;
};

}  // namespace platform
