// Small text helpers shared by the windows' code and the real window layer.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A number in decimal, without leading zeros.
inline std::wstring Decimal(long value) {
    const bool negative = value < 0;
    unsigned long magnitude = negative ? 0ul - static_cast<unsigned long>(value)
                                       : static_cast<unsigned long>(value);
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude);
    return negative ? L"-" + digits : digits;
}

// An unsigned 32-bit number (an exit code, say) in decimal.
inline std::wstring UnsignedDecimal(std::uint32_t value) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
        value /= 10;
    } while (value);
    return digits;
}

}  // namespace platform
