// Errors raised by platform operations and by the forms' own code.
//
// An error carries a number and a description, the way the program reports
// it to the user. Handlers of the main window do not trap them: they travel
// up to the window procedure, where the standard error report shows them and
// ends the program. The tray icon manager and the main window's load run in
// continue-on-error mode instead (see ErrorTrap).
#pragma once

#include <new>
#include <string>

namespace platform {

// Numbers the program uses for its own failures; platform failures may carry
// others (a system error code, for instance).
enum ErrorNumber : long {
    kErrInvalidCall = 5,      // invalid procedure call or argument
    kErrOverflow = 6,         // a number does not fit its type
    kErrOutOfMemory = 7,
    kErrFileNotFound = 53,
    kErrObjectNotSet = 91,    // a null object was used
};

struct Error {
    long number;
    std::wstring description;
};

[[noreturn]] inline void Raise(long number, std::wstring description) {
    throw Error{number, std::move(description)};
}

// Continue-on-error mode: each Step runs one step; a step that fails is
// abandoned, its error becomes the pending one (replacing any earlier), and
// the caller goes on with the next step.
class ErrorTrap {
public:
    template <class F>
    void Step(F&& step) {
        try {
            step();
        } catch (const Error& e) {
            pending_ = e;
        } catch (const std::bad_alloc&) {
            pending_ = Error{kErrOutOfMemory, L"Out of memory"};
        }
    }
    long PendingNumber() const { return pending_.number; }
    void Clear() { pending_ = Error{0, {}}; }

private:
    Error pending_{0, {}};
};

}  // namespace platform
