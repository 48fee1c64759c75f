// Decoding the tray icon's mouse messages from the coordinates the system
// reports, and what fn_MouseMove does with them.
//
// Input: up to 32 records, each starting with one byte:
//   bit 0 clear: a direct DecodeTrayMessage(x, scale) call;
//   bit 0 set:   one fn_MouseMove call on a substitute window, possibly with
//                calls of its own made while its pop-up menu is open.
// Numbers are read by Number(): one byte choosing raw bits, a value from a
// table of awkward floats, an event code times the scale (with a fraction of
// a pixel), or a value a few steps from the 32-bit limits.
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_input.h"
#include "tray/cls_tray_icon.h"

namespace {

constexpr long kErrDivisionByZero = 11;
constexpr long kErrRefused = 5;
constexpr std::int32_t kDoubleClick = 515;
constexpr std::int32_t kRightUp = 517;

// ---- Numbers ---------------------------------------------------------------

const std::uint32_t kAwkwardBits[] = {
    0x7FC00000, 0xFFC00000, 0x7F800001, 0x7FBFFFFF, 0x7FFFFFFF, 0xFFFFFFFF,  // NaNs
    0x7F800000, 0xFF800000,                                                  // infinities
    0x00000000, 0x80000000,                                                  // zero, -0
    0x00000001, 0x80000001, 0x007FFFFF, 0x807FFFFF,                          // subnormals
    0x00800000, 0x80800000, 0x7F7FFFFF, 0xFF7FFFFF,                          // smallest, largest
    0x4EFFFFFF, 0x4F000000, 0xCF000000, 0xCF000001,  // 2147483520, 2^31, -2^31, below -2^31
    0x3F000000, 0xBF000000, 0x3FC00000, 0x40200000, 0xC0200000,  // 0.5 -0.5 1.5 2.5 -2.5
    0x4A800001, 0x4A800003,                                      // 4194304.5, 4194305.5
    0x41700000, 0x41400000, 0x3F800000, 0x41200000, 0x40F00000,  // 15 12 1 10 7.5
    0x45F15000, 0x45F2B000,                                      // 7722 = 514.8*15, 7766
};

float Awkward(std::uint8_t pick) {
    return fuzz::FloatFromBits(kAwkwardBits[pick % (sizeof kAwkwardBits / sizeof kAwkwardBits[0])]);
}

float Stepped(float from, int steps) {
    const float towards = steps < 0 ? -std::numeric_limits<float>::infinity()
                                    : std::numeric_limits<float>::infinity();
    for (int i = 0; i < std::abs(steps); ++i) from = std::nextafter(from, towards);
    return from;
}

// A number for a coordinate (scale = the twips per pixel it is meant for).
float Number(fuzz::Input& in, float scale) {
    const std::uint8_t how = in.Byte();
    switch (how % 4) {
        case 0:
            return in.Float();
        case 1:
            return Awkward(in.Byte());
        case 2: {
            // An event code in pixels plus a fraction in sixteenths.
            const std::uint16_t raw = in.Unit();
            const int code = (how & 4) ? 512 + raw % 8 : static_cast<std::int16_t>(raw);
            const float pixels = static_cast<float>(code) + static_cast<std::int8_t>(in.Byte()) / 16.0f;
            return pixels * scale;
        }
        default: {
            static const float kEdges[] = {2147483648.0f, -2147483648.0f, 16777216.0f,
                                           4194304.5f, 0.5f, 1.0f};
            const float edge = kEdges[in.Byte() % (sizeof kEdges / sizeof kEdges[0])];
            return Stepped(edge * ((how & 4) ? scale : 1.0f), static_cast<std::int8_t>(in.Byte()));
        }
    }
}

// ---- What the decoding must give ----------------------------------------------

struct Decoded {
    bool ok;
    std::int32_t code;
    long error;
};

// Worked out without the library's rounding: the single-precision quotient,
// its integer part and fraction, ties broken towards the even integer.
Decoded ExpectedDecode(float x, float scale) {
    if (scale == 0.0f) return {false, 0, kErrDivisionByZero};
    volatile float quotient = x / scale;
    const double q = quotient;
    if (q != q || q == HUGE_VAL || q == -HUGE_VAL) return {false, 0, platform::kErrOverflow};
    const double whole = std::floor(q);
    const double fraction = q - whole;  // exact for a float
    const bool odd = std::fmod(whole, 2.0) != 0.0;
    const double rounded = (fraction > 0.5 || (fraction == 0.5 && odd)) ? whole + 1.0 : whole;
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        return {false, 0, platform::kErrOverflow};
    return {true, static_cast<std::int32_t>(rounded), 0};
}

Decoded ActualDecode(float x, float scale) {
    try {
        return {true, tray::DecodeTrayMessage(x, scale), 0};
    } catch (const platform::Error& e) {
        return {false, 0, e.number};
    } catch (...) {
        CHECK(false, "DecodeTrayMessage(%a, %a) threw something else than an error", x, scale);
    }
    return {};
}

void CheckDecode(float x, float scale) {
    const Decoded want = ExpectedDecode(x, scale);
    const Decoded got = ActualDecode(x, scale);
    if (!got.ok)
        CHECK(got.error == platform::kErrOverflow || got.error == kErrDivisionByZero,
              "DecodeTrayMessage(%a, %a) raised %ld", x, scale, got.error);
    CHECK(got.ok == want.ok && got.code == want.code && got.error == want.error,
          "DecodeTrayMessage(%a [%08X], %a [%08X]): got %s %ld, expected %s %ld", x,
          fuzz::BitsOf(x), scale, fuzz::BitsOf(scale), got.ok ? "code" : "error",
          got.ok ? static_cast<long>(got.code) : got.error, want.ok ? "code" : "error",
          want.ok ? static_cast<long>(want.code) : want.error);
}

// ---- Substitutes for the system -------------------------------------------------

class Screen final : public platform::IScreen {
public:
    float TwipsPerPixelX() override { return scale; }
    float scale = 15.0f;
};

class CodePage final : public platform::ICodePage {
public:
    std::string ToAnsi(const std::wstring& text) override { return std::string(text.size(), '?'); }
};

class NotifyArea final : public platform::INotifyArea {
public:
    bool NotifyIcon(std::uint32_t message, const platform::NotifyIconData88&) override {
        CHECK(false, "a mouse event sent notification-area message %u", message);
        return false;
    }
    bool NotifyIcon(std::uint32_t message, const platform::NotifyIconDataV2&) override {
        CHECK(false, "a mouse event sent notification-area message %u", message);
        return false;
    }
};

class Menu final : public platform::IMenu {};

// Counts what is done to it; each operation may be told to refuse.
class Window final : public platform::IWindow {
public:
    platform::Handle hWnd() const override { return 0x1234; }
    std::wstring Caption() const override { return Other("caption"), L""; }
    void SetCaption(const std::wstring&) override { Other("set caption"); }
    bool Visible() const override { return Other("visible"), true; }
    void Hide() override { Other("hide"); }
    void Unload() override { Other("unload"); }

    int WindowState() const override {
        ++state_reads;
        if (refuse_state) Refuse();
        return state;
    }
    void SetWindowState(int s) override {
        ++state_sets;
        last_state_set = s;
        if (refuse_set_state) Refuse();
        state = s;
    }
    void Show() override {
        ++shows;
        if (refuse_show) Refuse();
    }
    void PopupMenu(platform::IMenu& menu) override {
        ++popups;
        if (refuse_popup) Refuse();
        if (while_menu_open) while_menu_open(menu);
    }

    int Acts() const { return state_reads + state_sets + shows + popups; }

    int state = platform::kStateNormal;
    bool refuse_state = false, refuse_set_state = false, refuse_show = false, refuse_popup = false;
    mutable int state_reads = 0;
    int state_sets = 0, shows = 0, popups = 0;
    int last_state_set = -1;
    std::function<void(platform::IMenu&)> while_menu_open;

private:
    [[noreturn]] static void Refuse() { platform::Raise(kErrRefused, L"Refused"); }
    static void Other(const char* what) {
        CHECK(false, "a mouse event used the window's %s", what);
    }
};

// ---- fn_MouseMove -----------------------------------------------------------------

struct Harness {
    Screen screen;
    CodePage code_page;
    NotifyArea notify;
    Window window;
    Menu menu;
    tray::clsTrayIcon icon{notify, code_page, screen};
    std::int32_t code = 0;  // what lng_TrayMsg must be
};

// A call made while the menu of an earlier one is open: it decodes, acts on
// nothing, and the earlier call stays busy.
void NestedCall(Harness& h, fuzz::Input& in) {
    if (in.Byte() & 1) h.screen.scale = Number(in, 15.0f);
    const float x = Number(in, h.screen.scale);
    const Decoded want = ExpectedDecode(x, h.screen.scale);
    if (want.ok) h.code = want.code;
    CHECK(h.icon.bln_Busy(), "not busy while the menu is open");
    const int acts = h.window.Acts();
    const std::int32_t result =
        h.icon.fn_MouseMove(&h.window, 2, x, 0.0f, platform::kStateNormal, &h.menu);
    CHECK(result == want.error, "nested call at x=%a scale=%a returned %d", x, h.screen.scale,
          result);
    CHECK(h.window.Acts() == acts, "a nested call (code %d) acted on the window", h.code);
    CHECK(h.icon.lng_TrayMsg() == h.code, "nested: lng_TrayMsg %d, expected %d",
          h.icon.lng_TrayMsg(), h.code);
    CHECK(h.icon.bln_Busy(), "a nested call cleared the busy flag of the open menu");
}

void MouseMoveCall(Harness& h, fuzz::Input& in) {
    const std::uint8_t flags = in.Byte();
    const std::uint8_t refusals = in.Byte();
    if (flags & 1) h.screen.scale = Number(in, 15.0f);
    const float x = Number(in, h.screen.scale);
    const float y = in.Float();
    const auto button = static_cast<std::int16_t>(in.Unit());
    const auto show_state = static_cast<std::int16_t>(in.Unit());
    const bool with_form = (flags & 2) == 0;
    const bool with_menu = (flags & 4) == 0;
    const int nested = (flags >> 3) & 3;

    Window& w = h.window;
    w.state = (flags & 32) ? platform::kStateMinimized : static_cast<int>(flags >> 6);
    w.refuse_state = refusals & 1;
    w.refuse_set_state = refusals & 2;
    w.refuse_show = refusals & 4;
    w.refuse_popup = refusals & 8;
    w.while_menu_open = [&h, &in, nested](platform::IMenu& menu) {
        CHECK(&menu == &h.menu, "the pop-up is not the menu passed in");
        for (int i = 0; i < nested; ++i) NestedCall(h, in);
    };
    const int state_reads = w.state_reads, state_sets = w.state_sets, shows = w.shows,
              popups = w.popups;
    const bool minimized = w.state == platform::kStateMinimized;

    CHECK(h.icon.lng_TrayMsg() == h.code, "lng_TrayMsg changed between calls");
    const Decoded want = ExpectedDecode(x, h.screen.scale);
    if (want.ok) h.code = want.code;  // else the last code stays and is the one acted on
    const std::int32_t acting = h.code;

    const std::int32_t result = h.icon.fn_MouseMove(with_form ? &w : nullptr, button, x, y,
                                                    show_state, with_menu ? &h.menu : nullptr);

    CHECK(!h.icon.bln_Busy(), "busy after the call returned");
    CHECK(h.icon.lng_TrayMsg() == h.code, "x=%a scale=%a: lng_TrayMsg %d, expected %d", x,
          h.screen.scale, h.icon.lng_TrayMsg(), h.code);

    const int did_reads = w.state_reads - state_reads, did_sets = w.state_sets - state_sets,
              did_shows = w.shows - shows, did_popups = w.popups - popups;
    long failed = want.ok ? 0 : want.error;  // the error pending at the end: the last one
    if (acting == kDoubleClick) {
        CHECK(did_popups == 0, "a double-click popped up the menu");
        if (with_form) {
            CHECK(did_reads == 1 && did_shows == 1, "double-click: %d state reads, %d shows",
                  did_reads, did_shows);
            const bool restores = minimized && !w.refuse_state;
            CHECK(did_sets == (restores ? 1 : 0), "double-click: %d state changes, minimized %d",
                  did_sets, minimized);
            if (restores)
                CHECK(w.last_state_set == show_state, "restored to %d, asked for %d",
                      w.last_state_set, show_state);
            if (w.refuse_state || (restores && w.refuse_set_state)) failed = kErrRefused;
            if (w.refuse_show) failed = kErrRefused;
        } else {
            CHECK(w.Acts() == state_reads + state_sets + shows + popups, "acted on no window");
            failed = platform::kErrObjectNotSet;
        }
    } else if (acting == kRightUp) {
        CHECK(did_reads == 0 && did_sets == 0 && did_shows == 0,
              "a right-button release touched the window's state or showed it");
        const bool pops = with_menu && with_form;
        CHECK(did_popups == (pops ? 1 : 0), "right-button release: %d pop-ups (menu %d, form %d)",
              did_popups, with_menu, with_form);
        if (pops && w.refuse_popup) failed = kErrRefused;
        if (with_menu && !with_form) failed = platform::kErrObjectNotSet;
        // Codes decoded while the menu was open do not count here: they were
        // decoded after the outer call chose what to do.
    } else {
        CHECK(did_reads + did_sets + did_shows + did_popups == 0, "code %d acted on the window",
              acting);
    }
    CHECK(result == failed, "fn_MouseMove (code %d, x=%a, scale=%a) returned %d, expected %ld",
          acting, x, h.screen.scale, result, failed);
    w.while_menu_open = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    Harness h;
    // Longer inputs only repeat the same calls; 32 keep the runs quick.
    for (int record = 0; record < 32 && !in.Empty(); ++record) {
        if ((in.Byte() & 1) == 0) {
            const float scale = Number(in, 15.0f);
            CheckDecode(Number(in, scale), scale);
        } else {
            MouseMoveCall(h, in);
        }
    }
    return 0;
}
