// Owners of handles and COM references. Each releases what it holds exactly
// once; none can be copied, so no two owners ever hold the same handle.
#pragma once

#include <utility>

namespace platform {

// Traits::Close(handle) releases a handle; H{} is "no handle".
template <class H, class Traits>
class Unique {
public:
    Unique() = default;
    explicit Unique(H handle) : handle_(handle) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, H{})) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, H{}));
        return *this;
    }
    ~Unique() { reset(); }

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != H{}; }
    H release() { return std::exchange(handle_, H{}); }
    void reset(H handle = H{}) {
        const H old = std::exchange(handle_, handle);
        if (old != H{}) Traits::Close(old);
    }

private:
    H handle_{};
};

// A counted reference to a COM object: Release()d once, when the owner goes.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out a new reference.
    T** put() {
        reset();
        return &p_;
    }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};

}  // namespace platform
