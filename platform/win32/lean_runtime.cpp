// Keeps the statically linked C++ runtime small.
//
// The library's own versions of these pull in its exception classes built
// on the old string type, a printf and a symbol demangler: about 200 KiB the
// program never needs. The program's versions raise its own errors instead,
// which end in the standard error report like any other.
#include <cstdlib>
#include <new>

#include "platform/error.h"

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
[[noreturn]] void __throw_bad_alloc() { throw std::bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw std::bad_alloc(); }
[[noreturn]] void __throw_length_error(const char*) { throw std::bad_alloc(); }
[[noreturn]] void __throw_logic_error(const char*) {
    platform::Raise(platform::kErrInvalidCall, L"Invalid procedure call or argument");
}
[[noreturn]] void __throw_invalid_argument(const char*) {
    platform::Raise(platform::kErrInvalidCall, L"Invalid procedure call or argument");
}
[[noreturn]] void __throw_out_of_range(const char*) {
    platform::Raise(9, L"Subscript out of range");
}
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) {
    platform::Raise(9, L"Subscript out of range");
}
[[noreturn]] void __throw_bad_cast() { platform::Raise(13, L"Type mismatch"); }
[[noreturn]] void __throw_bad_function_call() {
    platform::Raise(platform::kErrInvalidCall, L"Invalid procedure call or argument");
}
}  // namespace std
