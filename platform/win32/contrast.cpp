#include "platform/win32/contrast.h"

#include "platform/scale.h"

namespace platform::win32 {

namespace {

COLORREF Sys(int index) { return GetSysColor(index); }

// Fills with a system colour through the DC's own brush: nothing to make,
// keep or delete.
void Fill(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A frame `width` pixels wide just inside `r`.
void Frame(HDC dc, const RECT& r, int width, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    const auto brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    for (int i = 0; i < width; ++i) {
        const RECT ring{r.left + i, r.top + i, r.right - i, r.bottom - i};
        if (ring.right <= ring.left || ring.bottom <= ring.top) break;
        FrameRect(dc, &ring, brush);
    }
}

void Words(HDC dc, const wchar_t* text, RECT r, HFONT font, COLORREF colour, UINT align) {
    const HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    // Not clipped: words too long for their place show it, rather than end
    // silently short of what they say.
    DrawTextW(dc, text, -1, &r, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(dc, old);
}

RECT Rect(const PixelRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

bool ContrastThemeOn() {
    HIGHCONTRASTW theme{};
    theme.cbSize = sizeof theme;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof theme, &theme, 0) &&
           (theme.dwFlags & HCF_HIGHCONTRASTON);
}

Palette SystemPalette() {
    Palette palette;
    for (int i = 0; i < kSystemColourCount; ++i) palette.colour[i] = Sys(i);
    return palette;
}

COLORREF TextColour(ContrastPart part) { return Sys(PairOf(part, SystemPalette()).text); }

HBRUSH UsePair(HDC dc, ContrastPart part) {
    const ColourPair pair = PairOf(part, SystemPalette());
    SetTextColor(dc, Sys(pair.text));
    SetBkColor(dc, Sys(pair.back));
    return GetSysColorBrush(pair.back);  // the system's, used now and not kept
}

void PaintContrastSurface(HDC dc, const RECT& client, const FormDesign& design, int dpi,
                          FontCache& fonts) {
    const ColourPair surface = PairOf(ContrastPart::Surface, SystemPalette());
    const COLORREF text = Sys(surface.text);
    Fill(dc, client, Sys(surface.back));
    const int line = ScaledPixels(1, dpi);
    for (int i = 0; i < design.word_count; ++i) {
        const PictureWords& w = design.words[i];
        if (w.kind == WordsKind::Frame || w.kind == WordsKind::BoxTitle)
            Frame(dc, Rect(ScaledRect(w, dpi)), line, text);
        if (w.text)
            Words(dc, w.text, Rect(TextPlace(w, dpi)), fonts.Get(w.font), text,
                  w.kind == WordsKind::BoxTitle ? DT_CENTER : DT_LEFT);
    }
}

void PaintContrastButton(HDC dc, const RECT& place, const wchar_t* words, HFONT font, bool pressed,
                         bool focus_mark, int dpi) {
    const Palette palette = SystemPalette();
    const ColourPair pair = PairOf(pressed ? ContrastPart::PressedButton : ContrastPart::Button, palette);
    Fill(dc, place, Sys(pair.back));
    const int line = ScaledPixels(1, dpi);
    Frame(dc, place, line, Sys(pair.text));
    if (focus_mark) {
        // Two pixels at 100 %, a pixel inside the frame; held down, in the
        // pressed face's own text colour.
        const int inset = 2 * line;
        const RECT ring{place.left + inset, place.top + inset, place.right - inset, place.bottom - inset};
        const int mark = pressed ? pair.text : PairOf(ContrastPart::FocusMark, palette).text;
        Frame(dc, ring, ScaledPixels(2, dpi), Sys(mark));
    }
    if (words) Words(dc, words, place, font, Sys(pair.text), DT_CENTER);
}

void PaintContrastMark(HDC dc, const RECT& place, ContrastPart part, int dpi) {
    Frame(dc, place, ScaledPixels(2, dpi), TextColour(part));
}

}  // namespace platform::win32
