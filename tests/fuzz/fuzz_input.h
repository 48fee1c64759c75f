// What the fuzz targets share: reading the fuzzer's bytes as the numbers and
// texts the code under test receives, and stopping the run loudly when a
// property does not hold (libFuzzer then saves the input as a crash).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

// CHECK(condition, printf-style details...): the details say what was seen.
#define CHECK(cond, ...)                                                \
    do {                                                                \
        if (!(cond)) {                                                  \
            std::fprintf(stderr, "" __VA_ARGS__);                       \
            std::fputc('\n', stderr);                                   \
            ::fuzz::Fail(__FILE__, __LINE__, #cond);                    \
        }                                                               \
    } while (0)

// The input, consumed front to back; reads past its end give zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}

    bool Empty() const { return p_ == end_; }
    std::size_t Left() const { return static_cast<std::size_t>(end_ - p_); }

    std::uint8_t Byte() { return Empty() ? 0 : *p_++; }
    std::uint16_t Unit() {  // little-endian
        const std::uint16_t lo = Byte();
        return static_cast<std::uint16_t>(lo | Byte() << 8);
    }
    std::uint32_t Word() {
        const std::uint32_t lo = Unit();
        return lo | static_cast<std::uint32_t>(Unit()) << 16;
    }
    float Float() {  // any bit pattern: NaNs, infinities and subnormals included
        const std::uint32_t bits = Word();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

    // The rest of the input as 16-bit code units, little-endian; an odd
    // last byte is a unit of its own.
    std::wstring RestAsUnits(std::size_t max_units = SIZE_MAX) {
        std::wstring text;
        while (!Empty() && text.size() < max_units) text.push_back(static_cast<wchar_t>(Unit()));
        return text;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

inline float FloatFromBits(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline std::uint32_t BitsOf(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// A text for messages: printable ASCII as is, everything else as \uXXXX.
inline std::string Show(const std::wstring& text) {
    std::string out = "\"";
    for (wchar_t c : text) {
        const auto u = static_cast<unsigned long>(c);
        if (u >= 0x20 && u < 0x7F && c != L'"' && c != L'\\') {
            out += static_cast<char>(c);
        } else {
            char hex[16];
            std::snprintf(hex, sizeof hex, "\\u%04lX", u);
            out += hex;
        }
    }
    return out + "\"";
}

inline std::string Hex(const char* bytes, std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(bytes[i]));
        if (i) out += ' ';
        out += hex;
    }
    return out;
}

}  // namespace fuzz
