// The warning second over texts it did not make.
//
// Input: one byte choosing how to read the rest, then
//   even: the rest as 16-bit code units, little-endian (any text at all);
//   odd:  one character per byte from digits and their near neighbours, so
//         short seconds-like texts ("5", "59", "09 ", "6\0") come up often.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "scheduler/worktime.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

const wchar_t kNearDigits[] = {
    L'0', L'1', L'2', L'3', L'4', L'5', L'6', L'7', L'8', L'9', L' ', L'\0', L'-', L'+', L'/',
    L':', L'a', wchar_t{0x0660} /* Arabic-Indic zero */, wchar_t{0xFF15} /* fullwidth 5 */,
    wchar_t{0xD800}, wchar_t{0xFFFF},
};

std::wstring TextFrom(fuzz::Input& in) {
    if ((in.Byte() & 1) == 0) return in.RestAsUnits();
    std::wstring text;
    while (!in.Empty())
        text.push_back(kNearDigits[in.Byte() % (sizeof kNearDigits / sizeof kNearDigits[0])]);
    return text;
}

std::vector<std::uint16_t> CodeUnits(const std::wstring& text) {
    std::vector<std::uint16_t> units;
    for (wchar_t c : text) units.push_back(static_cast<std::uint16_t>(c));
    return units;
}

// "text sorts after bound" by ordinal comparison of code units.
bool After(const std::wstring& text, const wchar_t* bound) {
    const std::vector<std::uint16_t> t = CodeUnits(text);
    const std::vector<std::uint16_t> b = CodeUnits(bound);
    return std::lexicographical_compare(b.begin(), b.end(), t.begin(), t.end());
}

// The rule as the user meets it: a text not after "10" warns at "00", one
// after "10" and not after "20" at "10", ..., one after "50" and not after
// "59" at "50", and one after "59" at "00". The bounds ascend, so counting
// the bounds the text is after names its block.
std::wstring ExpectedWarnSecond(const std::wstring& text) {
    static const wchar_t* const kBounds[] = {L"10", L"20", L"30", L"40", L"50", L"59"};
    int after = 0;
    for (const wchar_t* bound : kBounds) after += After(text, bound) ? 1 : 0;
    if (after == 6) return L"00";
    return std::wstring{static_cast<wchar_t>(L'0' + after), L'0'};
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::wstring text = TextFrom(in);
    const std::wstring warn = scheduler::WarnSecond(text);

    static const wchar_t* const kAllowed[] = {L"00", L"10", L"20", L"30", L"40", L"50"};
    CHECK(std::find(std::begin(kAllowed), std::end(kAllowed), warn) != std::end(kAllowed),
          "WarnSecond(%s) = %s", fuzz::Show(text).c_str(), fuzz::Show(warn).c_str());

    // A second the list offers: the warning is its ten-second block's start,
    // at most ten seconds before it.
    if (text.size() == 2 && IsDigit(text[0]) && IsDigit(text[1])) {
        const int second = (text[0] - L'0') * 10 + (text[1] - L'0');
        const int at = (warn[0] - L'0') * 10 + (warn[1] - L'0');
        if (second <= 59)
            CHECK(at <= second && second - at <= 10 && at % 10 == 0,
                  "WarnSecond(%s) = %s", fuzz::Show(text).c_str(), fuzz::Show(warn).c_str());
    }

    const std::wstring expected = ExpectedWarnSecond(text);
    CHECK(warn == expected, "WarnSecond(%s) = %s, the ordinal rule says %s",
          fuzz::Show(text).c_str(), fuzz::Show(warn).c_str(), fuzz::Show(expected).c_str());
    return 0;
}
