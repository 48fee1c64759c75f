#include "platform/contrast.h"

namespace platform {

ColourPair PairOf(ContrastPart part, const Palette& palette) {
    switch (part) {
        case ContrastPart::Surface:
        case ContrastPart::Clock: return {kSysWindowText, kSysWindow};
        case ContrastPart::Button: return {kSysButtonText, kSysButtonFace};
        case ContrastPart::PressedButton:
            // Held down, a button takes the selection's colours; where the
            // theme gives the selection the face's colour, it turns over.
            if (palette[kSysHighlight] != palette[kSysButtonFace]) return {kSysHighlightText, kSysHighlight};
            return {kSysButtonFace, kSysButtonText};
        case ContrastPart::Link:
            if (palette[kSysHotLight] != palette[kSysWindow]) return {kSysHotLight, kSysWindow};
            return {kSysWindowText, kSysWindow};
        case ContrastPart::FocusMark:
            // Drawn inside the button's frame, on its face: in the selection's
            // colour where that shows there, else in the button's own text
            // colour, as a classic focus rectangle is.
            if (palette[kSysHighlight] != palette[kSysButtonFace]) return {kSysHighlight, kSysButtonFace};
            return {kSysButtonText, kSysButtonFace};
    }
    return {};
}

}  // namespace platform
