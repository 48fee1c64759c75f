// The tray icon's tip: the 64-character field and its 64 bytes in the
// system's ANSI code page, over any text and several code pages.
//
// Input: one byte choosing the code page (and, for the last one, its byte
// lengths), one byte choosing how the text is read, then the text:
//   0: the rest as 16-bit code units, little-endian;
//   1: one character per byte from a mix of ASCII, blanks, NUL, accented
//      and combining letters, CJK, kana, surrogates halves and pairs;
//   2: a count byte and a few characters of that mix, repeated to that many
//      units (so 63-, 64- and 65-character tips come up often).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_input.h"
#include "tray/cls_tray_icon.h"

namespace {

bool IsHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// ---- Code pages -----------------------------------------------------------------
//
// Each converts one character at a time (a single unit, or a surrogate pair
// as one character); ToAnsi of a longer text is the conversions of its
// characters in turn, the way a stateless system code page behaves.

class CodePage : public platform::ICodePage {
public:
    // The bytes of one character: one unit, or a high and a low surrogate.
    virtual std::string Character(const std::wstring& c) const = 0;

    std::string ToAnsi(const std::wstring& text) override {
        std::string out;
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t n = IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1]) ? 2 : 1;
            out += Character(text.substr(i, n));
            i += n;
        }
        return out;
    }
};

// Western single-byte: the first 256 units as themselves, anything else "?".
class SingleBytePage final : public CodePage {
public:
    std::string Character(const std::wstring& c) const override {
        if (c.size() == 1 && c[0] < 0x100) return std::string(1, static_cast<char>(c[0]));
        return "?";
    }
};

// Double-byte, like the Japanese page: ASCII in one byte, half-width kana in
// one byte above 0xA0, ideographs, kana and full-width forms in two (lead
// byte 0x81..0x9F), anything else one "?".
class DoubleBytePage final : public CodePage {
public:
    std::string Character(const std::wstring& c) const override {
        if (c.size() != 1) return "?";
        const wchar_t u = c[0];
        if (u < 0x80) return std::string(1, static_cast<char>(u));
        if (u >= 0xFF61 && u <= 0xFF9F) return std::string(1, static_cast<char>(0xA1 + (u - 0xFF61)));
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
            (u >= 0xFF01 && u <= 0xFF5E)) {
            return {static_cast<char>(0x81 + (u >> 8) % 0x1F), static_cast<char>(0x40 + (u & 0x3F))};
        }
        return "?";
    }
};

// Up to four bytes a character, as UTF-8: a pair is four bytes, a lone
// surrogate the three-byte replacement character.
class FourBytePage final : public CodePage {
public:
    std::string Character(const std::wstring& c) const override {
        std::uint32_t cp = static_cast<std::uint32_t>(c[0]);
        if (c.size() == 2) cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<std::uint32_t>(c[1]) - 0xDC00);
        else if (IsHigh(c[0]) || IsLow(c[0])) cp = 0xFFFD;
        auto byte = [](std::uint32_t b) { return static_cast<char>(b); };
        if (cp < 0x80) return std::string(1, byte(cp));
        if (cp < 0x800) return {byte(0xC0 | cp >> 6), byte(0x80 | (cp & 0x3F))};
        if (cp < 0x10000)
            return {byte(0xE0 | cp >> 12), byte(0x80 | (cp >> 6 & 0x3F)), byte(0x80 | (cp & 0x3F))};
        return {byte(0xF0 | cp >> 18), byte(0x80 | (cp >> 12 & 0x3F)), byte(0x80 | (cp >> 6 & 0x3F)),
                byte(0x80 | (cp & 0x3F))};
    }
};

// A page that drops what it cannot show: combining marks, zero-width
// characters, the byte-order mark, surrogates (paired or not) become
// nothing; ASCII one byte, the rest two.
class DroppingPage final : public CodePage {
public:
    std::string Character(const std::wstring& c) const override {
        const wchar_t u = c[0];
        if (c.size() == 2 || IsHigh(u) || IsLow(u) || (u >= 0x0300 && u <= 0x036F) ||
            (u >= 0x200B && u <= 0x200F) || u == 0xFEFF)
            return {};
        if (u < 0x80) return std::string(1, static_cast<char>(u));
        return {static_cast<char>(0xA0 | (u >> 12)), static_cast<char>(0x80 | (u & 0x7F))};
    }
};

// A page whose byte lengths come from the input: 0 to 6 bytes a character.
class OddLengthsPage final : public CodePage {
public:
    explicit OddLengthsPage(std::uint8_t seed) : seed_(seed) {}
    std::string Character(const std::wstring& c) const override {
        std::uint32_t h = seed_ * 2654435761u;
        for (wchar_t u : c) h = (h ^ static_cast<std::uint32_t>(u)) * 16777619u;
        std::string out((h >> 24) % 7, '\0');
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(0x80 | (h + i) % 0x7F);
        return out;
    }

private:
    std::uint8_t seed_;
};

// ---- Texts --------------------------------------------------------------------------

const wchar_t kMix[] = {
    L'a', L'Z', L'7', L' ', L' ', L'\0', L'~', wchar_t{0x00E9}, wchar_t{0x0301}, wchar_t{0x00FF},
    wchar_t{0x0100}, wchar_t{0x07FF}, wchar_t{0x0800}, wchar_t{0x200B}, wchar_t{0xFEFF},
    wchar_t{0x3042}, wchar_t{0x30A2}, wchar_t{0x65E5}, wchar_t{0x672C}, wchar_t{0xFF71},
    wchar_t{0xFF21}, wchar_t{0xD83D}, wchar_t{0xDE00}, wchar_t{0xDBFF}, wchar_t{0xDC00},
    wchar_t{0xFFFD}, wchar_t{0xFFFF},
};

wchar_t MixUnit(std::uint8_t b) { return kMix[b % (sizeof kMix / sizeof kMix[0])]; }

std::wstring TextFrom(fuzz::Input& in) {
    switch (in.Byte() % 3) {
        case 0:
            return in.RestAsUnits(512);
        case 1: {
            std::wstring text;
            while (!in.Empty() && text.size() < 512) {
                const std::uint8_t b = in.Byte();
                if (b >= 0xF0) {  // a whole pair
                    text.push_back(wchar_t{0xD83D});
                    text.push_back(static_cast<wchar_t>(0xDE00 + (b & 0x0F)));
                } else {
                    text.push_back(MixUnit(b));
                }
            }
            return text;
        }
        default: {
            const std::size_t count = in.Byte();
            std::wstring pattern;
            while (!in.Empty() && pattern.size() < 4) pattern.push_back(MixUnit(in.Byte()));
            if (pattern.empty()) pattern = L"a";
            std::wstring text;
            while (text.size() < count) text.push_back(pattern[text.size() % pattern.size()]);
            return text;
        }
    }
}

// ---- The properties -----------------------------------------------------------------

constexpr wchar_t kUnset = 0xBEEF;

// The field holds the text's first 64 units; a shorter text ends in a NUL
// followed by blanks.
void CheckField(const wchar_t (&field)[64], const std::wstring& text) {
    for (std::size_t i = 0; i < 64; ++i) {
        const wchar_t want = i < text.size() ? text[i] : (i == text.size() ? L'\0' : L' ');
        CHECK(field[i] == want, "tip %s (%zu units): field[%zu] = U+%04X, expected U+%04X",
              fuzz::Show(text).c_str(), text.size(), i, static_cast<unsigned>(field[i]),
              static_cast<unsigned>(want));
    }
}

// The bytes: whole characters of the field from its start, as many as fit
// in 64 bytes, then NULs.
void CheckPacked(const char (&out)[64], const wchar_t (&field)[64], CodePage& page) {
    std::string want;
    for (std::size_t i = 0; i < 64;) {
        std::size_t n = 1;
        if (IsHigh(field[i]) && i + 1 < 64 && IsLow(field[i + 1])) n = 2;
        const std::string bytes = page.Character(std::wstring(field + i, n));
        if (want.size() + bytes.size() > 64) break;
        want += bytes;
        i += n;
    }
    want.resize(64, '\0');
    CHECK(std::memcmp(out, want.data(), 64) == 0, "field %s\n  packed   %s\n  expected %s",
          fuzz::Show(std::wstring(field, 64)).c_str(), fuzz::Hex(out, 64).c_str(),
          fuzz::Hex(want.data(), 64).c_str());
}

struct GuardedTip {
    unsigned char before[32];
    char bytes[64];
    unsigned char after[32];
};

class NotifyArea final : public platform::INotifyArea {
public:
    bool NotifyIcon(std::uint32_t message, const platform::NotifyIconData88& r) override {
        ++calls;
        last_message = message;
        record = r;
        return true;
    }
    bool NotifyIcon(std::uint32_t message, const platform::NotifyIconDataV2&) override {
        ++calls;
        last_message = message;
        return true;
    }
    int calls = 0;
    std::uint32_t last_message = ~0u;
    platform::NotifyIconData88 record{};
};

class Screen final : public platform::IScreen {
public:
    float TwipsPerPixelX() override { return 15.0f; }
};

class Picture final : public platform::IPicture {
public:
    platform::Handle Value() const override { return 0xBEEF; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t which = in.Byte();
    SingleBytePage single;
    DoubleBytePage cjk;
    FourBytePage four;
    DroppingPage dropping;
    OddLengthsPage odd(static_cast<std::uint8_t>(which >> 3));
    CodePage* const pages[] = {&single, &cjk, &four, &dropping, &odd};
    CodePage& page = *pages[which % 5];
    const std::wstring text = TextFrom(in);

    wchar_t field[64];
    for (wchar_t& c : field) c = kUnset;
    tray::FillTipField(field, text);
    CheckField(field, text);

    GuardedTip tip;
    std::memset(tip.before, 0xA5, sizeof tip.before);
    std::memset(tip.bytes, 0x5A, sizeof tip.bytes);
    std::memset(tip.after, 0xA5, sizeof tip.after);
    tray::PackTip(tip.bytes, field, page);
    for (std::size_t i = 0; i < sizeof tip.before; ++i)
        CHECK(tip.before[i] == 0xA5 && tip.after[i] == 0xA5, "wrote outside the 64 bytes (%zu)", i);
    CheckPacked(tip.bytes, field, page);

    // The same through the icon manager: its own copy and the record it sends.
    NotifyArea notify;
    Screen screen;
    Picture picture;
    tray::clsTrayIcon icon(notify, page, screen);
    CHECK(icon.fn_ShowIcon(0x1234, &picture, text) == 0, "fn_ShowIcon reported a failure");
    CHECK(notify.calls == 1 && notify.last_message == platform::kNimAdd, "not added once");
    CheckField(icon.udt_TrayData().szTip, text);
    CheckPacked(notify.record.szTip, icon.udt_TrayData().szTip, page);
    CHECK(notify.record.cbSize == 88 && notify.record.hIcon == 0xBEEF, "record fields lost");
    return 0;
}
