// What keyboard and screen-reader users get of a window, derived from its
// design: which controls are reachable with Tab and pressable with Enter or
// Space, and what a screen reader says about each. The real window layer
// builds its accessible objects from these, so a new drawn button needs
// only its name in the design.
#pragma once

#include <string>

#include "platform/design.h"

namespace platform {

enum class AccessibleRole {
    Standard,    // what the system says about a control of its kind
    PushButton,  // a drawn button
    Link,        // a label that opens a link
    Alert,       // a window that warns
};

struct AccessibleElement {
    std::wstring name;  // empty: the system's own (a window's caption, a control's text)
    AccessibleRole role = AccessibleRole::Standard;
    bool focusable = false;               // a focus stop the window itself draws
    const wchar_t* default_action = nullptr;  // what pressing it is called
};

// A drawn button or link: a label with a name and a place in the tab order.
constexpr bool IsDrawnButton(const ControlDesign& d) {
    return d.kind == ControlKind::Label && d.accessible_name && d.tab_index >= 0;
}

inline AccessibleElement ElementOf(const ControlDesign& d) {
    AccessibleElement e;
    if (d.accessible_name) e.name = d.accessible_name;
    if (IsDrawnButton(d)) {
        e.role = d.link ? AccessibleRole::Link : AccessibleRole::PushButton;
        e.focusable = true;
        e.default_action = d.link ? L"Jump" : L"Press";
    }
    return e;
}

// The lines of text a window's picture shows, one under the other.
inline std::wstring PictureLines(const FormDesign& d) {
    std::wstring lines;
    for (int i = 0; i < d.word_count; ++i) {
        const PictureWords& w = d.words[i];
        if (!w.text || (w.kind != WordsKind::Line && w.kind != WordsKind::Strong)) continue;
        if (!lines.empty()) lines += L'\n';
        lines += w.text;
    }
    return lines;
}

inline AccessibleElement ElementOf(const FormDesign& d) {
    AccessibleElement e;
    if (d.accessible_name) e.name = d.accessible_name;
    if (d.alert) {
        e.role = AccessibleRole::Alert;
        if (!d.accessible_name) e.name = PictureLines(d);  // an alert says what it shows
    }
    return e;
}

}  // namespace platform
