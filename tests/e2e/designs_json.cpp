// Writes the windows' designs as the end-to-end tests need them: for each
// window its class name, caption and client size, and for each control and
// menu item its id as a driver sees it and its client rectangle in pixels,
// at 100 % ("client", "rect") and at each display scale the tests use
// ("client_at", "rect_at", by DPI), and the places of its pictures' words
// ("words": "rect_at", and "text_at" where their text goes).
// Built with the portable core, so the tests read the same tables the
// program is built from.
//
//   designs_json OUTPUT.json
#include <cstdio>
#include <string>

#include "platform/accessible.h"
#include "platform/design.h"
#include "platform/scale.h"
#include "windows/about.h"
#include "windows/attention.h"
#include "windows/form1_design.h"
#include "windows/notice.h"

namespace {

std::string Json(const wchar_t* text) {
    std::string out = "\"";
    for (const wchar_t* p = text ? text : L""; *p; ++p) {
        const unsigned c = static_cast<unsigned>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c & 0xFFFF);
            out += escaped;
        }
    }
    return out + "\"";
}

constexpr int kTestedDpis[] = {96, 120, 144, 192};

const char* WordsKindName(platform::WordsKind kind) {
    switch (kind) {
        case platform::WordsKind::Title: return "title";
        case platform::WordsKind::Line: return "line";
        case platform::WordsKind::Strong: return "strong";
        case platform::WordsKind::BoxTitle: return "box_title";
        case platform::WordsKind::Frame: return "frame";
    }
    return "?";
}

std::string Box(const platform::PixelRect& r) {
    return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right - r.left) + ", " + std::to_string(r.bottom - r.top) + "]";
}

std::string Size(const platform::PixelSize& s) {
    return "[" + std::to_string(s.width) + ", " + std::to_string(s.height) + "]";
}

// {"96": ..., "120": ..., ...}: what `at` gives at each scale the tests use.
template <class At>
std::string ByDpi(At at) {
    std::string out = "{";
    for (int dpi : kTestedDpis) out += (dpi == kTestedDpis[0] ? "\"" : ", \"") + std::to_string(dpi) + "\": " + at(dpi);
    return out + "}";
}

std::string Form(const platform::FormDesign& f) {
    using platform::kDefaultDpi;
    const std::wstring spoken = platform::ElementOf(f).name;
    std::string out = "{\"class\": " + Json((std::wstring(platform::kWindowClassPrefix) + f.name).c_str()) +
                      ", \"caption\": " + Json(f.caption) + ", \"client\": " +
                      Size(platform::ScaledClient(f, kDefaultDpi)) + ", \"client_at\": " +
                      ByDpi([&](int dpi) { return Size(platform::ScaledClient(f, dpi)); }) +
                      ", \"accessible_name\": " +
                      (spoken.empty() ? std::string("null") : Json(spoken.c_str())) +
                      ",\n  \"controls\": {";
    for (int i = 0; i < f.control_count; ++i) {
        const platform::ControlDesign& c = f.controls[i];
        out += std::string(i ? ",\n" : "\n") + "    " + Json(c.name) + ": {\"id\": " +
               std::to_string(platform::kChildIdBase + c.id) + ", \"kind\": \"" + platform::ControlKindName(c.kind) +
               "\", \"tab_index\": " + std::to_string(c.tab_index) +
               ", \"auto_size\": " + (c.auto_size ? "true" : "false") +
               ", \"link\": " + (c.link ? "true" : "false") +
               ", \"caption\": " + (c.caption ? Json(c.caption) : std::string("null")) +
               ", \"accessible_name\": " + (c.accessible_name ? Json(c.accessible_name) : std::string("null")) +
               ", \"rect\": " + Box(platform::ScaledRect(c, kDefaultDpi)) + ", \"rect_at\": " +
               ByDpi([&](int dpi) { return Box(platform::ScaledRect(c, dpi)); }) + "}";
    }
    out += "},\n  \"words\": [";
    for (int i = 0; i < f.word_count; ++i) {
        const platform::PictureWords& w = f.words[i];
        out += std::string(i ? ",\n" : "\n") + "    {\"kind\": \"" + WordsKindName(w.kind) +
               "\", \"text\": " + (w.text ? Json(w.text) : std::string("null")) + ", \"rect_at\": " +
               ByDpi([&](int dpi) { return Box(platform::ScaledRect(w, dpi)); }) + ", \"text_at\": " +
               ByDpi([&](int dpi) { return Box(platform::TextPlace(w, dpi)); }) + "}";
    }
    out += "],\n  \"menu\": {";
    for (int i = 0; i < f.menu_count; ++i) {
        const platform::MenuItemDesign& m = f.menu[i];
        out += std::string(i ? ",\n" : "\n") + "    " + Json(m.name) + ": {\"id\": " +
               std::to_string(platform::kMenuIdBase + m.id) + ", \"caption\": " + Json(m.caption) +
               "}";
    }
    return out + "}}";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: designs_json OUTPUT.json\n", stderr);
        return 2;
    }
    const std::string json = "{\n\"Form1\": " + Form(windows::Form1Design()) +
                             ",\n\"Attention\": " + Form(windows::AttentionDesign()) +
                             ",\n\"fAbout\": " + Form(windows::AboutDesign()) +
                             ",\n\"Notice\": " + Form(windows::NoticeDesign()) + "\n}\n";
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(json.data(), 1, json.size(), out) != json.size() || std::fclose(out)) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
