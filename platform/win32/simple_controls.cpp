// The kinds with little behaviour of their own (control_kinds.h): the
// timer, the push button and the picture.
#include "platform/win32/control_kinds.h"

#include "platform/scale.h"
#include "platform/win32/picture.h"
#include "platform/win32/profile.h"

namespace platform::win32 {

namespace {

// A timer: it ticks on the window's beat or on an interval of its own, while
// it is enabled.
class TimerControl final : public Control, public ITimer {
public:
    TimerControl(IControlSite& site, const ControlDesign& design)
        : Control(site, design), enabled_(design.enabled) {}
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override {
        if (enabled_ == enabled) return;
        enabled_ = enabled;
        site_.TimersChanged();
    }
    UINT TickInterval() const override {
        return enabled_ && !design_.on_beat ? static_cast<UINT>(design_.interval_ms) : 0;
    }
    bool TicksOnBeat() const override { return enabled_ && design_.on_beat; }

private:
    bool enabled_;
};

// A push button, the system's: its click, or Enter while it has the focus,
// is the form's click.
class ButtonControl final : public Control, public ICommandButton {
public:
    using Control::Control;
    void Create() override {
        CreateChild(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, design_.caption);
        PROFILE_STEP("button");
    }
    void Command(int code) override {
        if (code == BN_CLICKED) Click();
    }
    bool PressEnter() override {
        if (!child_ || !IsWindowEnabled(child_)) return false;
        Click();
        return true;
    }
    bool Enabled() const override { return child_ && IsWindowEnabled(child_); }
    void SetEnabled(bool enabled) override {
        if (child_) EnableWindow(child_, enabled ? TRUE : FALSE);
    }

private:
    void Click() {
        if (site_.Events()) site_.Events()->Click(design_.id);
    }
};

// A picture at its design place, in the version made for the window's scale.
class PictureControl final : public Control {
public:
    using Control::Control;
    void Create() override {
        Load();
        PROFILE_STEP("picture");
    }
    void Rescale() override { Load(); }
    void Paint(HDC dc) const override {
        // A contrast theme has no pictures: their words are the window's.
        if (!design_.visible || !picture_ || site_.Contrast()) return;
        picture_.Draw(dc, place_.left, place_.top);
    }

private:
    void Load() {
        if (!design_.picture_resource) return;
        place_ = ClientRect(design_, site_.Dpi());
        picture_ = Picture::ForPlace(site_.Instance(), design_.picture_resource,
                                     ScaledSize(design_, kDefaultDpi), ScaledSize(design_, site_.Dpi()));
    }

    Picture picture_;
    RECT place_{};
};

}  // namespace

std::unique_ptr<Control> NewTimerControl(IControlSite& site, const ControlDesign& design) {
    return std::make_unique<TimerControl>(site, design);
}

std::unique_ptr<Control> NewButtonControl(IControlSite& site, const ControlDesign& design) {
    return std::make_unique<ButtonControl>(site, design);
}

std::unique_ptr<Control> NewPictureControl(IControlSite& site, const ControlDesign& design) {
    return std::make_unique<PictureControl>(site, design);
}

}  // namespace platform::win32
