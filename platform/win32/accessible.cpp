#include "platform/win32/accessible.h"

#include <oleacc.h>

#include <new>
#include <utility>

#include "platform/win32/handles.h"

namespace platform::win32 {

namespace {

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT Text(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocString(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

long RoleOf(AccessibleRole role) {
    switch (role) {
        case AccessibleRole::PushButton: return ROLE_SYSTEM_PUSHBUTTON;
        case AccessibleRole::Link: return ROLE_SYSTEM_LINK;
        case AccessibleRole::Alert: return ROLE_SYSTEM_ALERT;
        case AccessibleRole::Standard: break;
    }
    return 0;
}

// Failures become the call's answer: nothing is thrown back into the
// accessibility client.
template <class F>
HRESULT Guarded(F&& call) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace

class AccessibleObject final : public IAccessible {
public:
    AccessibleObject(HWND hwnd, const AccessibleFacts& facts) : hwnd_(hwnd), facts_(facts) {
        CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_IAccessible,
                                  reinterpret_cast<void**>(standard_.put()));
    }

    void Disconnect() {
        connected_ = false;
        standard_.reset();
        CoDisconnectObject(static_cast<IAccessible*>(this), 0);
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: clients use the interface itself.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible: what the design says, and the system's object for the rest.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return Standard([&](IAccessible* s) { return s->get_accParent(parent); });
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!facts_.children) return Standard([&](IAccessible* s) { return s->get_accChildCount(count); });
        return Mine([&] {
            if (!count) return E_POINTER;
            *count = static_cast<long>(facts_.children().size());
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!facts_.children || child.vt != VT_I4)
            return Standard([&](IAccessible* s) { return s->get_accChild(child, out); });
        return Mine([&] {
            if (!out) return E_POINTER;
            *out = nullptr;
            const std::vector<HWND> windows = facts_.children();
            if (child.lVal < 1 || child.lVal > static_cast<long>(windows.size())) return E_INVALIDARG;
            return ObjectOf(windows[child.lVal - 1], out);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child) || facts_.element.name.empty())
            return Standard([&](IAccessible* s) { return s->get_accName(child, name); });
        return Mine([&] { return Text(facts_.element.name, name); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return Standard([&](IAccessible* s) { return s->get_accValue(child, value); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return Standard([&](IAccessible* s) { return s->get_accDescription(child, description); });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        const long mine = RoleOf(facts_.element.role);
        if (!IsSelf(child) || !mine)
            return Standard([&](IAccessible* s) { return s->get_accRole(child, role); });
        return Mine([&] {
            if (!role) return E_POINTER;
            role->vt = VT_I4;
            role->lVal = mine;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!IsSelf(child) || !facts_.element.focusable)
            return Standard([&](IAccessible* s) { return s->get_accState(child, state); });
        return Mine([&] {
            if (!state) return E_POINTER;
            long flags = STATE_SYSTEM_FOCUSABLE;
            if (GetFocus() == hwnd_) flags |= STATE_SYSTEM_FOCUSED;
            if (!IsWindowVisible(hwnd_)) flags |= STATE_SYSTEM_INVISIBLE;
            if (!IsWindowEnabled(hwnd_)) flags |= STATE_SYSTEM_UNAVAILABLE;
            state->vt = VT_I4;
            state->lVal = flags;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return Standard([&](IAccessible* s) { return s->get_accHelp(child, help); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return Standard([&](IAccessible* s) { return s->get_accHelpTopic(file, child, topic); });
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return Standard([&](IAccessible* s) { return s->get_accKeyboardShortcut(child, shortcut); });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        return Standard([&](IAccessible* s) { return s->get_accFocus(focus); });
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return Standard([&](IAccessible* s) { return s->get_accSelection(selection); });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!IsSelf(child) || !facts_.element.default_action)
            return Standard([&](IAccessible* s) { return s->get_accDefaultAction(child, action); });
        return Mine([&] { return Text(facts_.element.default_action, action); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return Standard([&](IAccessible* s) { return s->accSelect(flags, child); });
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return Standard([&](IAccessible* s) { return s->accLocation(left, top, width, height, child); });
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return Standard([&](IAccessible* s) { return s->accNavigate(direction, start, end); });
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (!facts_.children) return Standard([&](IAccessible* s) { return s->accHitTest(x, y, child); });
        return Mine([&] {
            if (!child) return E_POINTER;
            // The drawn buttons let the mouse through to the window, so the
            // window says which element lies at a point.
            for (HWND window : facts_.children()) {
                RECT r;
                if (!GetWindowRect(window, &r) || !PtInRect(&r, POINT{x, y})) continue;
                child->vt = VT_DISPATCH;
                return ObjectOf(window, &child->pdispVal);
            }
            return standard_ ? standard_->accHitTest(x, y, child) : E_NOTIMPL;
        });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsSelf(child) || !facts_.press)
            return Standard([&](IAccessible* s) { return s->accDoDefaultAction(child); });
        return Mine([&] {
            facts_.press();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return Standard([&](IAccessible* s) { return s->put_accValue(child, value); });
    }

private:
    ~AccessibleObject() = default;

    template <class F>
    HRESULT Mine(F&& call) {
        if (!connected_) return RPC_E_DISCONNECTED;
        return Guarded(call);
    }
    template <class F>
    HRESULT Standard(F&& call) {
        if (!connected_) return RPC_E_DISCONNECTED;
        if (!standard_) return E_NOTIMPL;
        return Guarded([&] { return call(standard_.get()); });
    }

    static HRESULT ObjectOf(HWND window, IDispatch** out) {
        return AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IDispatch,
                                          reinterpret_cast<void**>(out));
    }

    LONG references_ = 1;
    bool connected_ = true;
    HWND hwnd_;
    const AccessibleFacts facts_;  // its own copy: clients may hold it after the window went
    ComPtr<IAccessible> standard_;
};

bool AccessibleServer::Answer(HWND hwnd, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (static_cast<DWORD>(lparam) != static_cast<DWORD>(OBJID_CLIENT)) return false;
    if (!object_) object_ = new AccessibleObject(hwnd, facts_);
    result = LresultFromObject(IID_IAccessible, wparam, static_cast<IAccessible*>(object_));
    return true;
}

void AccessibleServer::Disconnect() {
    if (!object_) return;
    object_->Disconnect();
    std::exchange(object_, nullptr)->Release();
}

}  // namespace platform::win32
