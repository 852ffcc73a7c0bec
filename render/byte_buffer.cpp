#include "render/byte_buffer.h"

#include <cstdio>
#include <cstring>
#include <new>

ByteBuffer::ByteBuffer() : m_storage(new (std::nothrow) BYTE[kInitialCapacity]()) {
    if (m_storage)
        m_capacity = kInitialCapacity;
}

ByteBuffer::ByteBuffer(DWORD ceiling) : ByteBuffer() {
    m_ceiling = ceiling < kCeiling ? ceiling : kCeiling;
}

bool ByteBuffer::Reserve(DWORD n) {
    if (n > m_ceiling)
        n = m_ceiling;
    if (n <= m_capacity)
        return true;
    std::unique_ptr<BYTE[]> grown(new (std::nothrow) BYTE[n]());
    if (!grown)
        return false;
    if (m_length)
        std::memcpy(grown.get(), m_storage.get(), m_length);
    m_storage = std::move(grown);
    m_capacity = n;
    return true;
}

bool ByteBuffer::Append(const void* bytes, DWORD n) {
    if (n == 0)
        return true;
    if (n > m_ceiling) {
        Discard();
        return false;
    }
    std::uint64_t needed = std::uint64_t{m_length} + n;
    if (needed > m_ceiling) {
        Discard();
        needed = n;
    }
    if (needed > m_capacity) {
        // Grown to exactly what is needed: writers append a handful of large pieces.
        std::unique_ptr<BYTE[]> grown(new (std::nothrow) BYTE[needed]());
        if (!grown)
            return false;
        if (m_length)
            std::memcpy(grown.get(), m_storage.get(), m_length);
        m_storage = std::move(grown);
        m_capacity = static_cast<DWORD>(needed);
    }
    std::memcpy(m_storage.get() + m_length, bytes, n);
    m_length += n;
    return true;
}

bool ByteBuffer::Append(const char* text) {
    return Append(text, static_cast<DWORD>(std::strlen(text)));
}

bool ByteBuffer::AppendNumber(int value) {
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d", value);
    return Append(text, static_cast<DWORD>(n));
}

void ByteBuffer::Discard() {
    if (m_capacity)
        std::memset(m_storage.get(), 0, m_capacity);
    m_length = 0;
}
