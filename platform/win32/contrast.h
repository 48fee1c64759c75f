// A contrast theme, as Windows tells it, and the windows drawn in it
// (platform/contrast.h): the surface with the words and frames of the
// pictures it leaves out, the drawn buttons as buttons, and the colours of
// the system's own controls.
//
// Colours are read from the system each time something is drawn, and no
// system brush is kept: a theme can change at any moment, and the system
// may delete its old brushes when it does.
#pragma once

#include <windows.h>

#include "platform/contrast.h"
#include "platform/design.h"
#include "platform/win32/controls.h"

namespace platform::win32 {

// True while a contrast theme is on (SPI_GETHIGHCONTRAST).
bool ContrastThemeOn();
// The theme's colours now.
Palette SystemPalette();
// The colour of `part`'s text.
COLORREF TextColour(ContrastPart part);

// Sets a control's colours to `part`'s pair (WM_CTLCOLOR...): its text on
// its background; the brush the control fills with.
HBRUSH UsePair(HDC dc, ContrastPart part);

// A window's client area `client` in a contrast theme: the surface's
// colour, and the words and frames of its pictures at `dpi`.
void PaintContrastSurface(HDC dc, const RECT& client, const FormDesign& design, int dpi,
                          FontCache& fonts);

// A drawn button in a contrast theme, filling `place`: a face with a frame
// and its words, in the pressed pair while it is held down, and the focus
// mark inside the frame while it has the focus and the keyboard is in use.
void PaintContrastButton(HDC dc, const RECT& place, const wchar_t* words, HFONT font, bool pressed,
                         bool focus_mark, int dpi);

// The focus mark round `place` in `part`'s text colour: a link's.
void PaintContrastMark(HDC dc, const RECT& place, ContrastPart part, int dpi);

// The drawn buttons' words: the font the pictures' buttons are lettered in.
inline constexpr FontDesign kButtonWordsFont = {.face = L"Tahoma", .hundredths_pt = 900,
                                                .bold = true};

}  // namespace platform::win32
