// The chosen path out of the open-file dialog's buffer, whatever the dialog
// (or a hook, or a broken shell extension) left in it.
//
// Input: one byte choosing the buffer's shape, then its contents:
//   0: the rest as 16-bit code units, little-endian;
//   1: one unit per byte from blanks, NUL, path characters and look-alikes;
//   2: the dialog's own form: a path from those characters (no NUL, no
//      blanks at its ends) then a NUL then blanks up to 254 or 255 units;
//   3: a full 255-unit buffer of such units;
//   4: blanks only, as many as the next byte says;
//   5: such units without NUL, and a NUL put in at a position the next
//      byte chooses (also before the first and after the last unit).
#include <cstdint>
#include <string>

#include "scheduler/select_file.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

const wchar_t kPathish[] = {
    L' ', L' ', L' ', L'\0', L'C', L':', L'\\', L'a', L'.', L'e', L'x', L'/', L'\t', L'\r',
    wchar_t{0x00A0} /* no-break space */, wchar_t{0x3000} /* ideographic space */,
    wchar_t{0x65E5}, wchar_t{0xD83D}, wchar_t{0xFFFF},
};
constexpr std::size_t kPathishCount = sizeof kPathish / sizeof kPathish[0];

wchar_t Pathish(std::uint8_t b) { return kPathish[b % kPathishCount]; }
wchar_t PathishNoNul(std::uint8_t b) {
    const wchar_t c = Pathish(b);
    return c == L'\0' ? L'a' : c;
}

std::wstring Trimmed(const std::wstring& s) {  // blanks off both ends, by hand
    std::size_t from = 0, to = s.size();
    while (from < to && s[from] == L' ') ++from;
    while (to > from && s[to - 1] == L' ') --to;
    return s.substr(from, to - from);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    std::wstring buffer;
    bool dialog_form = false;
    std::wstring path;
    switch (in.Byte() % 6) {
        case 0:
            buffer = in.RestAsUnits(1024);
            break;
        case 1:
            while (!in.Empty() && buffer.size() < 1024) buffer.push_back(Pathish(in.Byte()));
            break;
        case 2: {
            const std::size_t total = (in.Byte() & 1) ? 255 : 254;
            while (!in.Empty() && path.size() < total - 1) path.push_back(PathishNoNul(in.Byte()));
            path = Trimmed(path);
            buffer = path + L'\0';
            buffer.resize(total, L' ');
            dialog_form = true;
            break;
        }
        case 3:
            while (buffer.size() < 255) buffer.push_back(Pathish(in.Byte()));
            break;
        case 4: {
            const std::size_t count = in.Byte();
            buffer.assign(count + ((in.Byte() & 1) ? 256 : 0), L' ');
            break;
        }
        default: {
            const std::uint8_t at = in.Byte();
            while (!in.Empty() && buffer.size() < 300) buffer.push_back(PathishNoNul(in.Byte()));
            buffer.insert(at % (buffer.size() + 1), 1, L'\0');
            break;
        }
    }

    const std::wstring picked = scheduler::PickedPath(buffer);
    const std::string shown = fuzz::Show(buffer), got = fuzz::Show(picked);

    CHECK(picked.find(L'\0') == std::wstring::npos, "PickedPath(%s) = %s holds a NUL",
          shown.c_str(), got.c_str());
    CHECK(picked.empty() || picked[0] != L' ', "PickedPath(%s) = %s starts with a blank",
          shown.c_str(), got.c_str());
    CHECK(picked.size() <= buffer.size(), "PickedPath(%s) = %s is longer than the buffer",
          shown.c_str(), got.c_str());
    CHECK(buffer.find(picked) != std::wstring::npos, "PickedPath(%s) = %s is not part of it",
          shown.c_str(), got.c_str());

    if (buffer.find(L'\0') == std::wstring::npos) {
        // Without a terminator the whole buffer is the path, less its blanks.
        CHECK(picked == Trimmed(buffer), "PickedPath(%s) = %s, expected %s", shown.c_str(),
              got.c_str(), fuzz::Show(Trimmed(buffer)).c_str());
        if (!buffer.empty() && buffer.front() != L' ' && buffer.back() != L' ')
            CHECK(picked == buffer, "PickedPath(%s) = %s changed a clean buffer", shown.c_str(),
                  got.c_str());
    }
    if (dialog_form)
        CHECK(picked == path, "PickedPath(%s) = %s, the dialog chose %s", shown.c_str(),
              got.c_str(), fuzz::Show(path).c_str());
    return 0;
}
