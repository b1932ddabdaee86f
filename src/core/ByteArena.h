#pragma once

#include "platform/LargeMemory.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace velmora {

// Bytes appended one after another in one block that doubles as it fills: the texts of an entry list.
// Unlike std::string it never clears bytes it is about to overwrite, and its block comes from
// allocateLarge.
class ByteArena {
public:
    ByteArena() = default;
    ~ByteArena() { freeLarge(m_data, m_capacity); }
    ByteArena(const ByteArena& other) { append(other.view()); }
    ByteArena& operator=(const ByteArena& other) {
        if (this != &other) {
            ByteArena copy(other);
            swap(copy);
        }
        return *this;
    }
    ByteArena(ByteArena&& other) noexcept { swap(other); }
    ByteArena& operator=(ByteArena&& other) noexcept {
        swap(other);
        return *this;
    }

    const char* data() const { return m_data; }
    size_t size() const { return m_size; }
    std::string_view view() const { return {m_data, m_size}; }

    void append(std::string_view bytes) {
        if (bytes.empty())
            return;
        if (m_capacity - m_size < bytes.size())
            grow(m_size + bytes.size());
        std::memcpy(m_data + m_size, bytes.data(), bytes.size());
        m_size += bytes.size();
    }
    // Room for n more bytes at the end, which the caller fills: the size grows by n at once.
    char* extend(size_t n) {
        if (m_capacity - m_size < n)
            grow(m_size + n);
        char* at = m_data + m_size;
        m_size += n;
        return at;
    }
    void reserve(size_t bytes) {
        if (bytes > m_capacity)
            moveTo(bytes);
    }
    // Empty, and its block given back.
    void release() {
        ByteArena none;
        swap(none);
    }
    void swap(ByteArena& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

private:
    void grow(size_t needed) { moveTo(std::max(needed, std::max<size_t>(m_capacity * 2, 256))); }
    // A large block grows by its pages, so that a list that outgrows its guess is not copied.
    void moveTo(size_t capacity) {
        m_data = static_cast<char*>(reallocateLarge(m_data, m_capacity, capacity));
        m_capacity = capacity;
    }

    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

} // namespace velmora
