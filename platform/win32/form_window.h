// A real window built from a design table. Its window procedure is the only
// place that knows window messages: it routes them to the window's controls
// (controls.h) and turns them into the form's events (platform::IFormEvents),
// and no exception ever leaves it.
//
// Pushbuttons, lists and text boxes are child windows. Pictures are drawn on
// the window's own surface, back to front; labels are click areas with
// custom mouse cursors, and show their captions in transparent statics
// (click_area.cpp); a label over a drawn button is a focus stop of its own
// (drawn_button.cpp). The window's timers tick on its beat (beat.h) or on
// intervals of their own, and the window answers screen readers for its
// client (accessible.h).
//
// The window is laid out at its own DPI (dpi.h): its client area, controls,
// fonts, pictures and icons follow the design at that scale
// (platform/scale.h), and again whenever Windows moves it to a monitor of
// another scale. In a contrast theme it draws no pictures, but their words,
// in the theme's colours (contrast.h), and follows the theme as it changes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/design.h"
#include "platform/scale.h"
#include "platform/error.h"
#include "platform/platform.h"
#include "platform/win32/beat.h"
#include "platform/win32/controls.h"
#include "platform/win32/handles.h"
#include "platform/win32/picture.h"

namespace platform::win32 {

class FormWindow;

// The program, to which every window reports.
class IFormOwner {
public:
    virtual ~IFormOwner() = default;
    virtual void WindowDestroyed(FormWindow& window) = 0;
    // The standard error report; ends the program.
    [[noreturn]] virtual void Fatal(const Error& error) = 0;
};

class FormWindow final : public IFormHost, public IWindow, private IControlSite {
public:
    FormWindow(const FormDesign& design, HINSTANCE instance, IFormOwner& owner);
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    // The form's code, which must outlive the window.
    void Attach(IFormEvents& events) { events_ = &events; }
    // Creates the window and its controls (hidden) and runs the form's Load.
    void Load();
    bool Loaded() const { return hwnd_ != nullptr; }
    HWND Window() const override { return hwnd_; }
    // Stops every timer of the window for good (the program is ending).
    void StopTimers();

    // IFormHost
    IWindow& Me() override { return *this; }
    IListBox& List(int id) override { return Get<IListBox>(id); }
    ITextBox& TextBox(int id) override { return Get<ITextBox>(id); }
    ILabel& Label(int id) override { return Get<ILabel>(id); }
    ITimer& Timer(int id) override { return Get<ITimer>(id); }
    ICommandButton& Button(int id) override { return Get<ICommandButton>(id); }
    IMenu& Menu(int id) override;

    // IWindow
    Handle hWnd() const override;
    std::wstring Caption() const override;
    void SetCaption(const std::wstring& caption) override;
    bool Visible() const override;
    void Show() override;
    void Hide() override;
    int WindowState() const override;
    void SetWindowState(int state) override;
    void PopupMenu(IMenu& menu) override;
    void Unload() override;

private:
    struct Tip {
        HWND child;
        const wchar_t* text;
    };

    // IControlSite
    HINSTANCE Instance() const override { return instance_; }
    int Dpi() const override { return dpi_; }
    HFONT Font(const FontDesign& font) override { return fonts_.Get(font); }
    void AddTooltip(HWND child, const wchar_t* text) override;
    void PaintSurface(HDC dc) override;
    IFormEvents* Events() override { return events_; }
    bool FocusCuesShown() const override { return focus_cues_; }
    bool Contrast() const override { return contrast_; }
    [[noreturn]] void Fatal(const Error& error) override {
        owner_.Fatal(error);
        ExitProcess(1);  // the report ends the program; this only tells the compiler
    }
    void TimersChanged() override {
        UpdateTimerGroups();
        beat_.Plan();
    }

    template <class Interface>
    Interface& Get(int id) {
        if (auto* found = dynamic_cast<Interface*>(Find(id))) return *found;
        Raise(kErrInvalidCall, L"No such control");
    }
    Control* Find(int id) const;
    Control* FindChild(HWND child) const;
    Control* HitAt(POINT client) const;
    void CreateWindowFromDesign();
    DWORD Style() const;
    DWORD ExStyle() const;
    // The window rectangle for the design's client area at a DPI.
    SIZE FrameSize(int dpi) const;
    // The icons and the background picture at the window's DPI.
    void LoadIcons();
    void LoadBackground();
    void MakeTooltips();
    void AddTool(const Tip& tip);
    void UpdateTimerGroups();
    void KillTimers();

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnEraseBackground(HDC dc);
    void OnPaint();
    LRESULT OnControlColour(UINT message, WPARAM wparam, LPARAM lparam);
    void OnCommand(WPARAM wparam, LPARAM lparam);
    bool OnSetCursor(WPARAM wparam, LPARAM lparam);
    void OnMouseButton(UINT message, LPARAM lparam);
    void OnTrayIcon(LPARAM lparam);
    void OnTimer(UINT_PTR id);
    void OnClockOrPowerChanged();
    void OnSettingChange();
    void OnColoursChanged(UINT message);
    bool DrawnFromWords() const;
    void FollowContrastTheme(bool colours_changed);
    LRESULT OnPowerBroadcast(WPARAM event);
    void OnWindowPosChanged();
    bool OnActivate(WPARAM wparam);
    void OnClose();
    void OnDpiChanged(WPARAM wparam, const RECT& suggested);
    bool OnGetDpiScaledSize(WPARAM wparam, SIZE& size);
    LRESULT OnGetObject(WPARAM wparam, LPARAM lparam);
    void OnUiState(WPARAM wparam);
    std::vector<HWND> AccessibleChildren() const;
    LRESULT OnTaskbarCreated();
    LRESULT OnProgramEnded(LPARAM exit_code);
    LRESULT OnNcDestroy(WPARAM wparam, LPARAM lparam);

    const FormDesign& design_;
    HINSTANCE instance_;
    IFormOwner& owner_;
    IFormEvents* events_ = nullptr;
    HWND hwnd_ = nullptr;
    std::vector<Tip> tips_;  // the controls' tooltips, shown by tooltip_
    HWND tooltip_ = nullptr;
    HWND focus_ = nullptr;  // restored when the window is activated again
    bool shown_once_ = false;
    bool timers_stopped_ = false;
    bool unloading_ = false;
    int pressed_label_ = 0;  // the click area a left button went down on
    bool focus_cues_ = false;  // the keyboard is in use: focus marks show
    bool contrast_ = false;    // drawn from its words, as for a contrast theme (contrast.h)
    float twips_per_pixel_;  // the screen's, as the tray's mouse messages are decoded
    int dpi_ = kDefaultDpi;  // the window's own scale

    std::vector<std::unique_ptr<Control>> controls_;  // front to back, as designed
    std::vector<Control*> tab_order_;                 // as the Tab key goes
    std::vector<Control*> interval_timers_;           // timers not on the beat
    BeatSource beat_;                                 // the beat and its timers
    std::unique_ptr<MenuControl> menu_;
    FontCache fonts_;
    Picture background_;
    UniqueBrush back_brush_;
    UniqueIcon big_icon_;
    UniqueIcon small_icon_;
    AccessibleServer accessible_;  // the window's client, for screen readers
    std::vector<UINT> timer_groups_;  // running group timers, by interval
};

}  // namespace platform::win32
