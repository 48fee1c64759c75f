// A window's own accessible object: what a screen reader, through Microsoft
// Active Accessibility, hears about a drawn button, a named list or a
// window. It answers from the design (platform/accessible.h) and leaves all
// the rest (place, value, parent, navigation) to the system's own object for
// the same window.
//
// Handled as "How to Handle WM_GETOBJECT" asks: one object per window,
// created on the first request for OBJID_CLIENT, handed out with
// LresultFromObject on each request; the window holds the first reference,
// and when the window goes the object is disconnected (its clients get
// RPC_E_DISCONNECTED from then on) and that reference released.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "platform/accessible.h"

namespace platform::win32 {

class AccessibleObject;

struct AccessibleFacts {
    AccessibleElement element;
    // The default action: posts the work, never runs it inside the call.
    std::function<void()> press;
    // The windows of the elements inside, in order; none when not set.
    std::function<std::vector<HWND>()> children;
};

class AccessibleServer {
public:
    explicit AccessibleServer(AccessibleFacts facts) : facts_(std::move(facts)) {}
    ~AccessibleServer() { Disconnect(); }
    AccessibleServer(const AccessibleServer&) = delete;
    AccessibleServer& operator=(const AccessibleServer&) = delete;

    // WM_GETOBJECT for `hwnd`: true with the result for OBJID_CLIENT; any
    // other object is the system's to answer.
    bool Answer(HWND hwnd, WPARAM wparam, LPARAM lparam, LRESULT& result);
    // The window goes.
    void Disconnect();

private:
    AccessibleFacts facts_;
    AccessibleObject* object_ = nullptr;  // the window's reference
};

}  // namespace platform::win32
