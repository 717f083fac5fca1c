#pragma once
// A move-only owner of one COM interface pointer, shaped like the handle
// owner in common/unique_handle.h: copying is deleted so a pointer is never
// released twice, put() releases the old pointer before handing out the
// address for a call to fill. It only calls AddRef/Release/QueryInterface on
// T, so it builds (and is tested) without the Windows headers.
#include <utility>

namespace corvanta {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(T* p) : p_(p) {}
    ~ComPtr() { reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    T** put() {
        reset();
        return &p_;
    }

    T* release() { return std::exchange(p_, nullptr); }

    void reset(T* p = nullptr) {
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }

    // Asks the object for another interface; the result is what
    // QueryInterface returned. `out` is released first and filled on success.
    template <typename Q, typename Iid>
    auto As(const Iid& iid, ComPtr<Q>& out) const {
        return p_->QueryInterface(iid, reinterpret_cast<void**>(out.put()));
    }

private:
    T* p_ = nullptr;
};

}  // namespace corvanta
