#pragma once
// A growable array of plain values in zeroed memory straight from the system, on huge pages
// where the system offers them: capacity that is never touched costs no memory, and a large
// table is filled without page-by-page copies. Memory the system refuses throws
// std::bad_alloc, which ends the run with its message.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

#include "base/platform.h"

namespace vestrel {

template <typename T>
class ZeroedArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    ZeroedArray() = default;
    ZeroedArray(const ZeroedArray&) = delete;
    ZeroedArray& operator=(const ZeroedArray&) = delete;
    ZeroedArray(ZeroedArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    ZeroedArray& operator=(ZeroedArray&& other) noexcept {
        if (this != &other) {
            releaseZeroed(data_, capacity_ * sizeof(T));
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
        }
        return *this;
    }
    ~ZeroedArray() { releaseZeroed(data_, capacity_ * sizeof(T)); }

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

    // Room for `capacity` values, keeping those held; in huge pages unless hugePages is false.
    void reserve(std::size_t capacity, bool hugePages = true) {
        if (capacity <= capacity_) return;
        adopt(allocateZeroed(bytesFor(capacity), hugePages), capacity);
    }
    // The same in huge pages while the owner's policy asks for them, for an array filled in
    // order (see PagePolicy).
    void reserve(std::size_t capacity, PagePolicy& pages) {
        if (capacity <= capacity_) return;
        adopt(allocateZeroed(bytesFor(capacity), pages), capacity);
    }

    // Holds `count` values, the added ones zero; never shrinks.
    void growTo(std::size_t count) {
        reserve(count);
        size_ = std::max(size_, count);
    }
    void growTo(std::size_t count, PagePolicy& pages) {
        reserve(count, pages);
        size_ = std::max(size_, count);
    }

    // Appends `count` values, doubling the room when it is full.
    void append(const T* values, std::size_t count) {
        if (count > capacity_ - size_) {
            reserve(std::max({2 * capacity_, size_ + count, std::size_t{4096}}));
        }
        if (count != 0) std::memcpy(data_ + size_, values, count * sizeof(T));
        size_ += count;
    }
    void push(const T& value) { append(&value, 1); }
    // Appends `count` values without growing: the caller has made sure they fit. Returns where
    // they go, for the caller to fill.
    T* extendInPlace(std::size_t count) {
        T* at = data_ + size_;
        size_ += count;
        return at;
    }

private:
    static std::size_t bytesFor(std::size_t capacity) {
        if (capacity > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
        return capacity * sizeof(T);
    }
    // Takes the new memory for `capacity` values, with the values held copied in.
    void adopt(void* memory, std::size_t capacity) {
        if (memory == nullptr) throw std::bad_alloc();
        T* data = static_cast<T*>(memory);
        if (size_ != 0) std::memcpy(data, data_, size_ * sizeof(T));
        releaseZeroed(data_, capacity_ * sizeof(T));
        data_ = data;
        capacity_ = capacity;
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace vestrel
