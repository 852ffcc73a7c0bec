// The growable command buffer every writer builds its commands in.
#pragma once

#include <cstdint>
#include <memory>

#include "host/win32_types.h"

class ByteBuffer {
  public:
    static constexpr DWORD kInitialCapacity = 1024;
    static constexpr DWORD kCeiling = 104857600;  // 0x6400000

    ByteBuffer();
    // A buffer with a lower ceiling than the writers' own, for the cases that pass it.
    explicit ByteBuffer(DWORD ceiling);

    // Appends n bytes. When the content would pass the ceiling it is discarded first and the
    // bytes start the buffer again; bytes that alone pass the ceiling are refused (false).
    bool Append(const void* bytes, DWORD n);
    bool Append(const char* text);
    // The decimal text of a number.
    bool AppendNumber(int value);

    // Room for n bytes in all, within the ceiling, so that a known run of appends does
    // not reallocate at each one. Content and length stay.
    bool Reserve(DWORD n);

    DWORD Ceiling() const { return m_ceiling; }
    const BYTE* Data() const { return m_storage.get(); }
    BYTE* Data() { return m_storage.get(); }
    DWORD Length() const { return m_length; }
    DWORD Capacity() const { return m_capacity; }
    void Clear() { m_length = 0; }

  private:
    void Discard();

    std::unique_ptr<BYTE[]> m_storage;
    DWORD m_length = 0;
    DWORD m_capacity = 0;
    DWORD m_ceiling = kCeiling;
};
