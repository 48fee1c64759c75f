// A real window built from a design table. Its window procedure is the only
// place that knows window messages: it turns them into the form's events
// (platform::IFormEvents), and no exception ever leaves it.
//
// Pushbuttons, lists and text boxes are child windows. Pictures are drawn on
// the window's own surface, back to front; labels are hit areas for clicks
// and custom mouse cursors, and show their captions in transparent statics.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/design.h"
#include "platform/error.h"
#include "platform/platform.h"
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

class FormWindow final : public IFormHost, public IWindow {
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
    HWND Window() const { return hwnd_; }
    // Stops every timer of the window for good (the program is ending).
    void StopTimers();

    // IFormHost
    IWindow& Me() override { return *this; }
    IListBox& List(int id) override;
    ITextBox& TextBox(int id) override;
    ILabel& Label(int id) override;
    ITimer& Timer(int id) override;
    ICommandButton& Button(int id) override;
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
    class Control;
    class ListControl;
    class TextControl;
    class LabelControl;
    class TimerControl;
    class ButtonControl;
    class MenuControl;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
    void OnCommand(WPARAM wparam, LPARAM lparam);
    void OnPaint();
    // The window's own surface: colour, background and pictures.
    void PaintSurface(HDC dc);
    bool OnSetCursor();
    void OnMouseButton(UINT message, LPARAM lparam);
    void OnTimer(UINT_PTR group);
    void OnClose();
    void OnDestroy();

    void CreateChildren();
    void AddTooltip(HWND child, const wchar_t* text);
    HFONT FontFor(const FontDesign& font);
    Control* Find(int id) const;
    const ControlDesign* LabelAt(POINT client) const;
    void UpdateTimerGroups();

    const FormDesign& design_;
    HINSTANCE instance_;
    IFormOwner& owner_;
    IFormEvents* events_ = nullptr;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND focus_ = nullptr;  // restored when the window is activated again
    bool shown_once_ = false;
    bool timers_stopped_ = false;
    bool unloading_ = false;
    int pressed_label_ = 0;  // the label a left button went down on
    float twips_per_pixel_;

    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<TimerControl*> timers_;  // of controls_, back to front
    std::unique_ptr<MenuControl> menu_;
    std::vector<FontDesign> font_keys_;
    std::vector<UniqueFont> fonts_;  // one per entry of font_keys_
    std::vector<std::pair<int, UniqueCursor>> cursors_;  // by resource number
    std::vector<std::pair<int, Picture>> pictures_;       // by control id
    Picture background_;
    UniqueBrush back_brush_;
    UniqueIcon big_icon_;
    UniqueIcon small_icon_;
    std::vector<UINT> timer_groups_;  // running group timers, by interval
};

}  // namespace platform::win32
