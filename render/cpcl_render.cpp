#include "render/cpcl_render.h"

#include "render/raster_commands.h"

void CpclRender::Write(const ByteBuffer& command) {
    WriteSpool(command.Data(), static_cast<LONG>(command.Length()));
}

void CpclRender::EncodePage() {
    InvertRaster(m_image);
    const DWORD d = static_cast<DWORD>(DotsPerMillimetre(dpiClass));
    const DWORD stride = m_image.Stride();
    const DWORD height = m_image.Height();

    // The header always states 200 by 200 dots and counts the offset in 8 dots per mm.
    ByteBuffer header;
    header.Append("! ");
    header.AppendNumber(m_device.iOffsetX * 8);
    header.Append(" 200 200 ");
    header.AppendNumber(static_cast<int>(height));
    header.Append(" 1\r\n");
    Write(header);

    ByteBuffer width;
    width.Append("PAGE - WIDTH ");
    width.AppendNumber(static_cast<int>((m_image.Width() + d - 1) / d));
    width.Append("\r\n");
    Write(width);

    ByteBuffer graphics;
    graphics.Append("CG ");
    graphics.AppendNumber(static_cast<int>(stride));
    graphics.Append(" ");
    graphics.AppendNumber(static_cast<int>(height));
    graphics.Append(" 0 0");
    Write(graphics);
    WriteSpool(m_image.Bits(), static_cast<LONG>(stride * height));

    if (m_device.iPaperType == 1 || m_device.iPaperType == 2)
        WriteSpool("FORM\r\n", 6);
    WriteSpool("PRINT\r\n", 7);
}
