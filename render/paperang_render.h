// paperang: every command is a framed packet with a CRC-32, one packet per raster row, and
// a page's packets reach the spool together.
#pragma once

#include <cstddef>

#include "render/printer_render.h"

// CRC-32 of the reflected IEEE 802.3 polynomial over the payload, its register starting at
// the protocol's fixed value instead of all ones, complemented at the end.
DWORD PaperangCrc(const BYTE* bytes, std::size_t size);

class PaperangRender : public PrinterRender {
  public:
    static constexpr DWORD kCrcStart = 0x4F17C3B2;

    // The output buffer's ceiling is the writers' own unless a test lowers it.
    explicit PaperangRender(DWORD outputCeiling = ByteBuffer::kCeiling);

    void EncodePage() override;
    // Collects into the page's output instead of the spool.
    void WriteSpool(const void* bytes, LONG count) override;

  private:
    void Frame(const BYTE* payload, DWORD size);
    void FlushOutput();

    ByteBuffer m_output;
    ByteBuffer m_frame;
    ByteBuffer m_row;
};
