#pragma once
// Reads little-endian fields from a span of bytes. A read that would pass
// the span's end fails, and after one failure every later read fails too,
// so a parser reads a run of fields and checks once.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

namespace corvanta {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::byte> bytes, std::size_t offset = 0) : bytes_(bytes) { Seek(offset); }

    bool Ok() const { return ok_; }
    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return ok_ ? bytes_.size() - offset_ : 0; }

    // A trivially copyable value (an integer or an on-disk struct); zero
    // when it is not all there.
    template <typename T>
    T Read() {
        static_assert(std::is_trivially_copyable_v<T>);
        T value{};
        if (sizeof(T) > Remaining()) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, bytes_.data() + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    void Seek(std::size_t offset) {
        if (offset > bytes_.size()) ok_ = false;
        if (ok_) offset_ = offset;
    }

    // To the next multiple of 4 from the span's start.
    void AlignTo4() { Seek(offset_ + (-offset_ & 3)); }

private:
    std::span<const std::byte> bytes_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

}  // namespace corvanta
