#include "render/tspl_render.h"

#include <type_traits>

#include "render/byte_buffer.h"
#include "render/raster_commands.h"

namespace {

// One command line: its pieces, then CR LF.
template <class... Pieces>
ByteBuffer Line(const Pieces&... pieces) {
    ByteBuffer line;
    auto add = [&line](const auto& piece) {
        if constexpr (std::is_integral_v<std::decay_t<decltype(piece)>>) {
            line.AppendNumber(static_cast<int>(piece));
        } else {
            line.Append(piece);
        }
    };
    (add(pieces), ...);
    line.Append("\r\n");
    return line;
}

}  // namespace

void TsplRender::WriteLine(const ByteBuffer& line) {
    WriteSpool(line.Data(), static_cast<LONG>(line.Length()));
}

void TsplRender::EncodePage() {
    const DeviceSettings& s = m_device;
    const DWORD d = static_cast<DWORD>(DotsPerMillimetre(dpiClass));
    const DWORD width = m_image.Width();
    const DWORD height = m_image.Height();
    const DWORD stride = m_image.Stride();

    WriteLine(Line("SIZE ", static_cast<int>((width + d - 1) / d), " mm", ",",
                   static_cast<int>((height + d - 1) / d), " mm"));
    if (s.iHeadType == 0)
        WriteLine(Line("SET RIBBON ", "OFF"));
    if (s.iHeadType == 1)
        WriteLine(Line("SET RIBBON ", "ON"));
    if (s.iPostAction == 1)
        WriteLine(Line("SET PEEL ", "OFF"));
    if (s.iPostAction == 3)
        WriteLine(Line("SET PEEL ", "ON"));
    const int dots = static_cast<int>(d);
    WriteLine(Line("REFERENCE ", s.iOffsetX * dots, ",", s.iOffsetY * dots));
    if (s.iPaperType == 1) {
        WriteLine(Line("GAP ", s.iGapHeight, " mm", ",", s.iGapOffset, " mm"));
    } else if (s.iPaperType == 2) {
        WriteLine(Line("BLINE ", s.iGapHeight, " mm", ",", s.iGapOffset, " mm"));
    }
    WriteLine(Line("OFFSET ", s.iFeed, " mm"));
    if (s.iDensity >= 0)
        WriteLine(Line("DENSITY ", s.iDensity));
    if (s.iSpeed >= 0)
        WriteLine(Line("SPEED ", s.iSpeed == 0 ? 4 : s.iSpeed));
    WriteLine(Line(s.bAutoDotted ? "SETC AUTODOTTED ON" : "SETC AUTODOTTED OFF"));
    WriteLine(Line(s.bPauseKey ? "SETC PAUSEKEY ON" : "SETC PAUSEKEY OFF"));
    WriteLine(Line(s.bWasteMark ? "SETC WATERMARK ON" : "SETC WATERMARK OFF"));
    WriteLine(Line("CLS"));

    ByteBuffer header;
    header.Append("BITMAP ");
    header.Append("0");
    header.Append(",");
    header.Append("0");
    header.Append(",");
    header.AppendNumber(static_cast<int>(stride));
    header.Append(",");
    header.AppendNumber(static_cast<int>(height));
    header.Append(",");
    header.Append("1");
    header.Append(",");
    WriteSpool(header.Data(), static_cast<LONG>(header.Length()));
    WriteSpool(m_image.Bits(), static_cast<LONG>(stride * height));
    WriteSpool("\r\n", 2);
    WriteLine(Line("PRINT ", "1", ",", "1"));
}
