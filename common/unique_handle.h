#pragma once
// One move-only owner for every kind of Windows handle. Copying is deleted so
// a handle can never be closed twice; put() releases the old value before
// handing out the address for an API to fill. Traits give the handle type,
// its invalid value and how it is closed, so NULL-invalid and
// INVALID_HANDLE_VALUE-invalid handles are different types.
//
//   struct RegKeyTraits {
//       using Type = HKEY;
//       static Type Invalid() { return nullptr; }
//       static void Close(Type key) { RegCloseKey(key); }
//   };
//   using UniqueRegKey = UniqueHandle<RegKeyTraits>;
#include <utility>

namespace corvanta {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type value) : value_(value) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }

    Type* put() {
        reset();
        return &value_;
    }

    Type release() { return std::exchange(value_, Traits::Invalid()); }

    void reset(Type value = Traits::Invalid()) {
        Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Type value_ = Traits::Invalid();
};

}  // namespace corvanta
