#include "platform/win32/form_window.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/win32/contrast.h"
#include "platform/win32/dpi.h"
#include "platform/win32/profile.h"
#include "platform/win32/services.h"

namespace platform::win32 {

namespace {

// Asked before a move to a monitor of another scale (Windows 10 1703 on).
constexpr UINT kMsgGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

std::vector<Control*> BeatTimers(const FormDesign& design,
                                 const std::vector<std::unique_ptr<Control>>& controls) {
    std::vector<Control*> timers;
    for (int id : TickOrder(design))
        for (const auto& c : controls)
            if (c->design().id == id) timers.push_back(c.get());
    return timers;
}

std::vector<std::unique_ptr<Control>> MakeControls(IControlSite& site, const FormDesign& design) {
    std::vector<std::unique_ptr<Control>> controls;
    for (int i = 0; i < design.control_count; ++i) controls.push_back(NewControl(site, design.controls[i]));
    return controls;
}

}  // namespace

FormWindow::FormWindow(const FormDesign& design, HINSTANCE instance, IFormOwner& owner)
    : design_(design), instance_(instance), owner_(owner),
      twips_per_pixel_(ScreenTwipsPerPixelX()), controls_(MakeControls(*this, design)),
      beat_(*this, BeatTimers(design, controls_)), fonts_(design.default_font, kDefaultDpi),
      accessible_(AccessibleFacts{ElementOf(design), nullptr, [this] { return AccessibleChildren(); }}) {
    for (const auto& c : controls_)
        if (c->design().kind == ControlKind::Timer && !c->design().on_beat)
            interval_timers_.push_back(c.get());
    if (design.menu_count > 0) menu_ = std::make_unique<MenuControl>(design);
    back_brush_.reset(CreateSolidBrush(Resolve(design.back_colour)));
    contrast_ = DrawnFromWords();
}

FormWindow::~FormWindow() {
    if (hwnd_) {
        // Gone without an unload: the window must not call back into us.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(std::exchange(hwnd_, nullptr));
    }
}

Control* FormWindow::Find(int id) const {
    for (const auto& c : controls_)
        if (c->design().id == id) return c.get();
    Raise(kErrInvalidCall, L"No such control");
}

Control* FormWindow::FindChild(HWND child) const {
    for (const auto& c : controls_)
        if (child && c->child() == child) return c.get();
    return nullptr;
}

Control* FormWindow::HitAt(POINT client) const {
    for (const auto& c : controls_)  // front to back: the topmost click area wins
        if (c->Hit(client)) return c.get();
    return nullptr;
}

IMenu& FormWindow::Menu(int /*id*/) {
    if (!menu_) Raise(kErrInvalidCall, L"No such menu");
    return *menu_;
}

// ---- Making the window --------------------------------------------------------

void FormWindow::Load() {
    if (hwnd_) return;
    CreateWindowFromDesign();
    LoadBackground();
    PROFILE_STEP("background picture");
    // Child windows are made in tab order, which is also the Tab key's order.
    tab_order_.clear();
    for (const auto& c : controls_) tab_order_.push_back(c.get());
    std::stable_sort(tab_order_.begin(), tab_order_.end(), [](Control* a, Control* b) {
        return a->design().tab_index < b->design().tab_index;
    });
    for (Control* c : tab_order_) c->Create();
    UpdateTimerGroups();
    if (events_) events_->Load();
    PROFILE_STEP("loaded");
    beat_.Now();  // the clock shows the time from the start
    PROFILE_STEP("first beat");
}

// ---- Timers -------------------------------------------------------------------
//
// Timers on the beat tick together in TickOrder (beat.h), so the clock is
// written before the triggers that read it look at it: an armed second is
// seen on the first beat that shows it. Timers with an interval of their own
// share one system timer for each interval.

void FormWindow::UpdateTimerGroups() {
    if (!hwnd_ || timers_stopped_) return;
    std::vector<UINT> wanted;
    for (Control* timer : interval_timers_)
        if (const UINT interval = timer->TickInterval();
            interval && std::find(wanted.begin(), wanted.end(), interval) == wanted.end())
            wanted.push_back(interval);
    for (UINT running : timer_groups_)
        if (std::find(wanted.begin(), wanted.end(), running) == wanted.end())
            KillTimer(hwnd_, running);
    for (UINT interval : wanted)
        if (std::find(timer_groups_.begin(), timer_groups_.end(), interval) == timer_groups_.end())
            SetTimer(hwnd_, interval, interval, nullptr);
    timer_groups_ = std::move(wanted);
}

void FormWindow::KillTimers() {
    if (hwnd_)
        for (UINT running : timer_groups_) KillTimer(hwnd_, running);
    timer_groups_.clear();
}

void FormWindow::StopTimers() {
    timers_stopped_ = true;
    KillTimers();
    beat_.Stop();
}

// ---- Messages -----------------------------------------------------------------

LRESULT CALLBACK FormWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    FormWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetLastError(0);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        ScaleNonClientArea(hwnd);
    } else {
        self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
    try {
        return self->Dispatch(message, wparam, lparam);
    } catch (const Error& error) {
        self->owner_.Fatal(error);
    } catch (const std::bad_alloc&) {
        self->owner_.Fatal(Error{kErrOutOfMemory, L"Out of memory"});
    } catch (...) {
        self->owner_.Fatal(Error{51, L"Internal error"});
    }
    return 0;
}

LRESULT FormWindow::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND: return OnEraseBackground(reinterpret_cast<HDC>(wparam));
        case WM_PAINT: OnPaint(); return 0;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: return OnControlColour(message, wparam, lparam);
        case WM_COMMAND: OnCommand(wparam, lparam); return 0;
        case WM_SETCURSOR: if (OnSetCursor(wparam, lparam)) return TRUE; break;
        case WM_MOUSEACTIVATE: if (design_.notification) return MA_NOACTIVATE; break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: OnMouseButton(message, lparam); return 0;
        case kMsgTrayIcon: OnTrayIcon(lparam); return 0;
        case WM_TIMER: OnTimer(wparam); return 0;
        case WM_TIMECHANGE: OnClockOrPowerChanged(); break;
        case WM_SETTINGCHANGE: OnSettingChange(); break;
        case WM_SYSCOLORCHANGE:
        case WM_THEMECHANGED: OnColoursChanged(message); break;
        case WM_POWERBROADCAST: return OnPowerBroadcast(wparam);
        case WM_WINDOWPOSCHANGED: OnWindowPosChanged(); break;
        case WM_ACTIVATE: if (OnActivate(wparam)) return 0; break;
        case WM_CLOSE: OnClose(); return 0;
        case WM_DPICHANGED: OnDpiChanged(wparam, *reinterpret_cast<const RECT*>(lparam)); return 0;
        case kMsgGetDpiScaledSize: return OnGetDpiScaledSize(wparam, *reinterpret_cast<SIZE*>(lparam));
        case WM_GETOBJECT: return OnGetObject(wparam, lparam);
        case WM_CHANGEUISTATE:
        case WM_UPDATEUISTATE: OnUiState(wparam); break;
        case WM_DESTROY:
            KillTimers();
            beat_.Stop();
            return 0;
        case WM_NCDESTROY: return OnNcDestroy(wparam, lparam);
        case kMsgProgramEnded: return OnProgramEnded(lparam);
        default: if (message == TaskbarCreatedMessage()) return OnTaskbarCreated(); break;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT FormWindow::OnEraseBackground(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    FillRect(dc, &r, contrast_ ? UsePair(dc, ContrastPart::Surface) : static_cast<HBRUSH>(back_brush_.get()));
    return 1;
}

void FormWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    PROFILE_STEP("paint begun");
    PaintSurface(dc);
    EndPaint(hwnd_, &ps);
    PROFILE_STEP("first paint");
    PROFILE_FLUSH();
}

void FormWindow::PaintSurface(HDC dc) {
    const PixelSize client = ScaledClient(design_, dpi_);
    RECT all{0, 0, client.width, client.height};
    if (contrast_) return PaintContrastSurface(dc, all, design_, dpi_, fonts_);
    FillRect(dc, &all, static_cast<HBRUSH>(back_brush_.get()));
    if (background_) background_.Draw(dc, 0, 0);
    // Back to front: later rows of the design lie behind earlier ones.
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) (*it)->Paint(dc);
}

LRESULT FormWindow::OnControlColour(UINT message, WPARAM wparam, LPARAM lparam) {
    Control* control = FindChild(reinterpret_cast<HWND>(lparam));
    if (HBRUSH brush = control ? control->Colour(reinterpret_cast<HDC>(wparam)) : nullptr)
        return reinterpret_cast<LRESULT>(brush);
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void FormWindow::OnCommand(WPARAM wparam, LPARAM lparam) {
    const int id = LOWORD(wparam);
    const int code = HIWORD(wparam);
    HWND from = reinterpret_cast<HWND>(lparam);
    if (!events_) return;
    if (!from && id >= kMenuIdBase) return events_->Click(id - kMenuIdBase);
    if (Control* control = FindChild(from)) {
        if (id == kChildIdBase + control->design().id) control->Command(code);
        return;
    }
    // Enter, as the dialog manager reports it, presses the focused push button;
    // Esc presses the window's cancel, if it has one.
    if (id == IDOK && !from)
        if (Control* focused = FindChild(GetFocus())) focused->PressEnter();
    if (id == IDCANCEL && !from && design_.cancel_control) events_->Click(design_.cancel_control);
}

bool FormWindow::OnSetCursor(WPARAM wparam, LPARAM lparam) {
    MakeTooltips();  // the mouse is over the window or one of its controls
    if (reinterpret_cast<HWND>(wparam) != hwnd_ || LOWORD(lparam) != HTCLIENT) return false;
    POINT at;
    GetCursorPos(&at);
    ScreenToClient(hwnd_, &at);
    const Control* area = HitAt(at);
    HCURSOR cursor = area ? area->Cursor() : nullptr;
    if (cursor) SetCursor(cursor);
    return cursor != nullptr;
}

void FormWindow::OnMouseButton(UINT message, LPARAM lparam) {
    Control* area = HitAt(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
    if (message == WM_LBUTTONDOWN) {
        pressed_label_ = area ? area->design().id : 0;
        if (!pressed_label_) return;
        SetCapture(hwnd_);
        area->SetPressed(true);
        return;
    }
    const int pressed = std::exchange(pressed_label_, 0);
    if (!pressed) return;
    ReleaseCapture();
    Find(pressed)->SetPressed(false);
    // A click is a press and a release on the same area; the handler may end
    // with this window gone.
    if (area && area->design().id == pressed && events_) events_->Click(pressed);
}

// The notification icon's event, in lParam's low word, goes on as the
// window's mouse-move event with the event as its X. The mouse's own moves
// over the window need nothing of the form: the click areas' cursors and
// the tooltips follow them by themselves.
void FormWindow::OnTrayIcon(LPARAM lparam) {
    if (!events_) return;
    events_->MouseMove(0, 0, static_cast<float>(LOWORD(lparam)) * twips_per_pixel_, 0.0f);
}

void FormWindow::OnTimer(UINT_PTR id) {
    if (id == BeatSource::kTimerId) return beat_.Due();
    for (Control* timer : interval_timers_) {
        if (timers_stopped_ || !hwnd_) return;
        if (timer->TickInterval() == id) events_->Tick(timer->design().id);
    }
}

// The clock was set, daylight saving time began or ended, the time zone
// changed, or the machine woke: the clock is read again at once.
void FormWindow::OnClockOrPowerChanged() { beat_.Now(); }

// Any setting may have changed, a contrast theme's among them (Windows
// names it in wParam, but not every system does): the clock is read again,
// and the theme.
void FormWindow::OnSettingChange() {
    OnClockOrPowerChanged();
    FollowContrastTheme(false);
}

// The system's colours changed, or its theme: a contrast theme turned on or
// off, or another one chosen, which may come as this message alone. The
// common controls keep colours of their own, and hear of it from here.
void FormWindow::OnColoursChanged(UINT message) {
    if (message == WM_SYSCOLORCHANGE) {
        for (const auto& c : controls_)
            if (c->child()) SendMessageW(c->child(), WM_SYSCOLORCHANGE, 0, 0);
        if (tooltip_) SendMessageW(tooltip_, WM_SYSCOLORCHANGE, 0, 0);
    }
    FollowContrastTheme(true);
}

// A window without pictures is always drawn from its words; the others
// while a contrast theme is on.
bool FormWindow::DrawnFromWords() const { return design_.drawn || ContrastThemeOn(); }

// Everything is drawn anew when the theme came or went, or when its colours
// changed while it is on; without a theme the window stays as it is.
void FormWindow::FollowContrastTheme(bool colours_changed) {
    const bool was = std::exchange(contrast_, DrawnFromWords());
    if (was == contrast_ && !(contrast_ && colours_changed)) return;
    if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

LRESULT FormWindow::OnPowerBroadcast(WPARAM event) {
    if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) OnClockOrPowerChanged();
    return TRUE;
}

// Shown, hidden, minimised or restored: whether the clock is seen decides
// how often the beat comes.
void FormWindow::OnWindowPosChanged() { beat_.Plan(); }

bool FormWindow::OnActivate(WPARAM wparam) {
    if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) focus_ = focus;
        return false;
    }
    // The control that had the focus gets it back; the first time, the
    // first one in the tab order gets it (the warning's Cancel).
    HWND focus = focus_ && IsWindow(focus_) && IsWindowVisible(focus_) && IsWindowEnabled(focus_)
                     ? focus_
                     : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (!focus) return false;
    SetFocus(focus);
    return true;
}

LRESULT FormWindow::OnGetObject(WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (accessible_.Answer(hwnd_, wparam, lparam, result)) return result;
    return DefWindowProcW(hwnd_, WM_GETOBJECT, wparam, lparam);
}

// What a screen reader finds inside the window: its controls that have
// windows, as the Tab key goes.
std::vector<HWND> FormWindow::AccessibleChildren() const {
    std::vector<HWND> children;
    for (const Control* c : tab_order_)
        if (c->child() && IsWindowVisible(c->child())) children.push_back(c->child());
    return children;
}

// Focus marks stay hidden until the keyboard is used, as Windows' keyboard
// cues do; the window keeps the state itself, as not every system does.
void FormWindow::OnUiState(WPARAM wparam) {
    if (!(HIWORD(wparam) & UISF_HIDEFOCUS)) return;
    const bool shown = LOWORD(wparam) == UIS_CLEAR;
    if (LOWORD(wparam) != UIS_SET && LOWORD(wparam) != UIS_CLEAR) return;
    if (std::exchange(focus_cues_, shown) == shown) return;
    for (const auto& c : controls_) c->CuesChanged();
}

// Windows moved the window to a monitor of another scale (or the scale of
// its monitor changed): everything is laid out anew at the new DPI, and the
// window takes the place Windows suggests, which keeps it under the mouse
// while it is dragged across.
void FormWindow::OnDpiChanged(WPARAM wparam, const RECT& suggested) {
    const int dpi = LOWORD(wparam);
    if (dpi <= 0) return;
    dpi_ = dpi;
    // The fonts in use stay until every control has its new one.
    const std::vector<UniqueFont> retired = fonts_.SetDpi(dpi_);
    LoadIcons();
    LoadBackground();
    for (const auto& c : controls_) c->Rescale();
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// Asked before a move to another scale: the window's size there is the
// design's at that scale, not its present size stretched.
bool FormWindow::OnGetDpiScaledSize(WPARAM wparam, SIZE& size) {
    const int dpi = LOWORD(wparam);
    if (dpi <= 0) return false;
    size = FrameSize(dpi);
    return true;
}

void FormWindow::OnClose() {
    // A window without a control menu closes only through its own commands.
    if (design_.control_box) Unload();
}

LRESULT FormWindow::OnTaskbarCreated() {
    if (events_) events_->TaskbarCreated();
    return 0;
}

LRESULT FormWindow::OnProgramEnded(LPARAM exit_code) {
    if (events_) events_->ProgramEnded(static_cast<std::uint32_t>(exit_code));
    return 0;
}

LRESULT FormWindow::OnNcDestroy(WPARAM wparam, LPARAM lparam) {
    accessible_.Disconnect();
    HWND hwnd = std::exchange(hwnd_, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    tooltip_ = nullptr;
    tips_.clear();
    for (const auto& c : controls_) c->Forget();
    const LRESULT result = DefWindowProcW(hwnd, WM_NCDESTROY, wparam, lparam);
    owner_.WindowDestroyed(*this);
    return result;
}

}  // namespace platform::win32
