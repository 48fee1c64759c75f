// The controls of a window built from a design table. Each kind of control is
// a class that owns its behaviour (a label is one of two: a drawn button or a
// plain click area): it makes its own child window (if it has one), answers
// its child's notifications and colour requests, tells whether a point is
// its click area, and paints itself on the window's surface. The window only
// routes messages to its controls.
//
// This file holds what every control shares: the base class, which makes the
// child window, wraps a system control's window procedure and answers a
// screen reader for it; the maker that chooses a row's class (NewControl);
// and the window's menu and fonts. The kinds live in files of their own
// beside it (control_kinds.h names them).
//
// Adding a kind of control takes its name in platform/design.h (the kind in
// ControlKind, MakeControl and ControlKindName); its own file here, with its
// maker declared in control_kinds.h and the file listed in CMakeLists.txt;
// one line in NewControl's maker (controls.cpp); and the maker's line in the
// tests' substitute (tests/unit/fake_platform.h).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <functional>

#include "platform/accessible.h"
#include "platform/design.h"
#include "platform/error.h"
#include "platform/platform.h"
#include "platform/win32/accessible.h"
#include "platform/win32/handles.h"

namespace platform::win32 {

// What a control needs of the window it lives on.
class IControlSite {
public:
    virtual ~IControlSite() = default;
    virtual HWND Window() const = 0;
    virtual HINSTANCE Instance() const = 0;
    // The window's DPI: the scale its controls are laid out at (platform/scale.h).
    virtual int Dpi() const = 0;
    // The font of a design at the window's DPI; the window's default font for
    // a design without a face.
    virtual HFONT Font(const FontDesign& font) = 0;
    virtual void AddTooltip(HWND child, const wchar_t* text) = 0;
    // Paints the window's own surface (its colour and pictures) on dc, in
    // client coordinates.
    virtual void PaintSurface(HDC dc) = 0;
    // The window's code; null before it is attached.
    virtual IFormEvents* Events() = 0;
    // A timer was started or stopped.
    virtual void TimersChanged() = 0;
    // True once the keyboard is in use in the window: focus marks show then.
    virtual bool FocusCuesShown() const = 0;
    // True while the window is drawn from its words, as a contrast theme
    // draws it (contrast.h): a theme is on, or the window has no pictures.
    virtual bool Contrast() const = 0;
    // The standard error report; ends the program.
    [[noreturn]] virtual void Fatal(const Error& error) = 0;
};

class Control {
public:
    Control(IControlSite& site, const ControlDesign& design) : site_(site), design_(design) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const ControlDesign& design() const { return design_; }
    HWND child() const { return child_; }
    // The child window went with its parent.
    void Forget() { child_ = nullptr; }

    // Makes the control's child window, if it has one. Called once the
    // window exists, in tab order, which is also the order the Tab key takes.
    virtual void Create() {}
    // The window's DPI changed (it moved to a monitor of another scale): the
    // control takes its place, font and pictures at the new scale.
    virtual void Rescale();
    // A notification from the child window (WM_COMMAND's code).
    virtual void Command(int /*code*/) {}
    // Enter while the child has the focus; true when the control acted.
    virtual bool PressEnter() { return false; }
    // Colours for the child window; null leaves them to the system.
    virtual HBRUSH Colour(HDC /*dc*/) { return nullptr; }
    // True when a click at this client point is the control's.
    virtual bool Hit(POINT /*client*/) const { return false; }
    // The mouse cursor over the control's click area; null for the window's.
    virtual HCURSOR Cursor() const { return nullptr; }
    // Draws the control on the window's surface.
    virtual void Paint(HDC /*dc*/) const {}
    // The interval the control ticks at now, 0 when it does not tick on an
    // interval of its own.
    virtual UINT TickInterval() const { return 0; }
    // True when the control ticks on the window's beat now.
    virtual bool TicksOnBeat() const { return false; }
    // The keyboard came into use, or went out of it: focus marks show or go.
    virtual void CuesChanged() {}
    // The left button went down on the control's click area (true), or up.
    virtual void SetPressed(bool /*pressed*/) {}
    // A message to the control's system window, before the system control
    // has it; true when the control answered it (`result`). Only controls
    // that ask for it (OwnsMessages) see their window's messages.
    virtual bool Intercept(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/,
                           LRESULT& /*result*/) {
        return false;
    }

protected:
    // The child window, a system control of the given class, at the design's
    // place; a list's child is `extra_height` pixels at 100 % taller, for its
    // drop-down part. Named in the design, it answers a screen reader with
    // the name; its window procedure is wrapped for that, and for a control
    // that owns its messages.
    HWND CreateChild(const wchar_t* window_class, DWORD style, DWORD ex_style,
                     const wchar_t* text, int extra_height = 0);
    // The child window, of a window class of the program's own, at the
    // design's place: its procedure answers everything itself, a screen
    // reader too, and nothing is wrapped.
    HWND CreateOwnChild(const wchar_t* window_class, DWORD style, const wchar_t* text);
    // The child window's rectangle at the window's DPI.
    RECT ChildRect() const;

    // True when the control sees its system window's messages first
    // (Intercept); otherwise only a control named in the design has its
    // window's procedure wrapped.
    virtual bool OwnsMessages() const { return false; }
    // The system control's own procedure, for messages the control passes on.
    LRESULT CallSystem(UINT message, WPARAM wparam, LPARAM lparam) const;
    // Messages that neither show nor read what a system control holds: the
    // mouse passing over, the dialog manager's questions, moves, and the
    // window's end. A control that keeps its contents back until they are
    // needed (a list's items, a text box's text) lets these through.
    static bool LeavesContentsAlone(UINT message);

    // A screen reader hears the control's window as the design says
    // (platform/accessible.h); `press` is its default action.
    void MakeAccessible(std::function<void()> press = {});
    // WM_GETOBJECT answered for the control's window (true), and the object
    // disconnected when the window goes.
    bool AnswerAccessibility(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                             LRESULT& result);

    IControlSite& site_;
    const ControlDesign& design_;
    HWND child_ = nullptr;  // destroyed with the window
    std::unique_ptr<AccessibleServer> accessible_;  // disconnected when the window goes

private:
    // The child window itself: its style from the design, its font and its
    // tooltip.
    void MakeChild(const wchar_t* window_class, DWORD style, DWORD ex_style, const wchar_t* text,
                   int extra_height);
    static LRESULT CALLBACK WrappedProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    // A system control's own, wrapped for its name or its own messages.
    WNDPROC original_proc_ = nullptr;
    int extra_height_ = 0;
};

// The control a row of the design describes.
std::unique_ptr<Control> NewControl(IControlSite& site, const ControlDesign& design);

// The window's pop-up menu, from the design's menu table.
class MenuControl final : public IMenu {
public:
    explicit MenuControl(const FormDesign& design);
    HMENU get() const { return popup_.get(); }

private:
    UniqueMenu popup_;
};

// One font object per distinct design font of a window, at the window's DPI.
class FontCache {
public:
    FontCache(const FontDesign& window_default, int dpi) : default_(window_default), dpi_(dpi) {}
    HFONT Get(const FontDesign& font);
    // Fonts are made at `dpi` from now on. The fonts made so far are handed
    // back, to be kept until no control uses them any more.
    std::vector<UniqueFont> SetDpi(int dpi);

private:
    FontDesign default_;
    int dpi_;
    std::vector<std::pair<FontDesign, UniqueFont>> fonts_;
};

// A control's place in client pixels at a DPI.
RECT ClientRect(const ControlDesign& design, int dpi);
// A design colour: 0x00BBGGRR, or a system colour by index.
COLORREF Resolve(std::uint32_t colour);
// A window's text (its caption, or a control's contents).
std::wstring WindowText(HWND hwnd);

}  // namespace platform::win32
