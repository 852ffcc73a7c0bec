#include "tools/command_reader.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

// Cursor over the stream with the reads every reader needs.
class Input {
  public:
    Input(const std::uint8_t* bytes, std::size_t size) : m_bytes(bytes), m_size(size) {}

    bool AtEnd() const { return m_at >= m_size; }
    std::size_t Offset() const { return m_at; }
    std::size_t Left() const { return m_size - m_at; }
    const std::uint8_t* Here() const { return m_bytes + m_at; }
    std::uint8_t Peek(std::size_t ahead = 0) const {
        return m_at + ahead < m_size ? m_bytes[m_at + ahead] : 0;
    }
    void Skip(std::size_t n) { m_at = std::min(m_size, m_at + n); }
    void Seek(std::size_t at) { m_at = std::min(m_size, at); }

    bool Take(std::string_view text) {
        if (Left() < text.size() || std::memcmp(Here(), text.data(), text.size()) != 0)
            return false;
        m_at += text.size();
        return true;
    }
    bool StartsWith(std::string_view text) const {
        return Left() >= text.size() && std::memcmp(Here(), text.data(), text.size()) == 0;
    }
    // A decimal number with an optional minus sign.
    std::optional<long long> Number() {
        std::size_t start = m_at;
        bool negative = m_at < m_size && m_bytes[m_at] == '-';
        if (negative)
            ++m_at;
        long long value = 0;
        std::size_t digits = 0;
        while (m_at < m_size && m_bytes[m_at] >= '0' && m_bytes[m_at] <= '9' && digits < 12) {
            value = value * 10 + (m_bytes[m_at++] - '0');
            ++digits;
        }
        if (!digits) {
            m_at = start;
            return std::nullopt;
        }
        return negative ? -value : value;
    }
    // The rest of a text line, CR LF taken.
    std::optional<std::string> Line() {
        const std::uint8_t* end = Here();
        const std::uint8_t* last = m_bytes + m_size;
        for (; end + 1 < last; ++end) {
            if (end[0] == '\r' && end[1] == '\n') {
                std::string line(reinterpret_cast<const char*>(Here()), end - Here());
                m_at = end + 2 - m_bytes;
                return line;
            }
        }
        return std::nullopt;
    }

  private:
    const std::uint8_t* m_bytes;
    std::size_t m_size;
    std::size_t m_at = 0;
};

bool Fail(std::string& error, const std::string& what, std::size_t offset) {
    error = what + " at byte " + std::to_string(offset);
    return false;
}

PrintedPage BlankPage(std::uint32_t width, std::uint32_t height) {
    PrintedPage page;
    page.width = width;
    page.height = height;
    page.bytesPerRow = (width + 7) / 8;
    page.dots.assign(static_cast<std::size_t>(page.bytesPerRow) * height, 0);
    return page;
}

// Draws rows of `rowBytes` bytes at (x, y); `blackBit` is the bit value of a black dot.
void Draw(PrintedPage& page, std::uint32_t x, std::uint32_t y, const std::uint8_t* rows,
          std::uint32_t rowBytes, std::uint32_t height, int blackBit, int mode = 1) {
    for (std::uint32_t r = 0; r < height && y + r < page.height; ++r) {
        for (std::uint32_t bit = 0; bit < rowBytes * 8 && x + bit < page.width; ++bit) {
            int value =
                (rows[static_cast<std::size_t>(r) * rowBytes + bit / 8] >> (7 - bit % 8)) & 1;
            bool black = value == blackBit;
            std::uint8_t& cell =
                page.dots[static_cast<std::size_t>(y + r) * page.bytesPerRow + (x + bit) / 8];
            std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> ((x + bit) % 8));
            if (mode == 0)
                cell = black ? (cell | mask) : (cell & ~mask);
            else if (mode == 2 && black)
                cell ^= mask;
            else if (black)
                cell |= mask;
        }
    }
}

// ---- TSPL: text lines, and BITMAP x,y,widthBytes,height,mode,<raster> ----

bool ReadTspl(Input& in, std::vector<PrintedPage>& pages, std::string& error) {
    static const char* const kSetUp[] = {"SIZE ",  "SET RIBBON ", "SET PEEL ", "REFERENCE ",
                                         "GAP ",   "BLINE ",      "OFFSET ",   "DENSITY ",
                                         "SPEED ", "SETC "};
    std::optional<PrintedPage> canvas;
    while (!in.AtEnd()) {
        std::size_t at = in.Offset();
        if (in.Take("BITMAP ")) {
            long long v[5];
            for (int i = 0; i < 5; ++i) {
                auto n = in.Number();
                if (!n || !in.Take(","))
                    return Fail(error, "TSPL: malformed BITMAP header", at);
                v[i] = *n;
            }
            if (v[0] < 0 || v[1] < 0 || v[2] <= 0 || v[3] <= 0 || v[4] < 0 || v[4] > 2 ||
                v[2] > 65535 || v[3] > 65535)
                return Fail(error, "TSPL: BITMAP values out of range", at);
            std::size_t size = static_cast<std::size_t>(v[2] * v[3]);
            if (in.Left() < size)
                return Fail(error, "TSPL: BITMAP raster cut short", at);
            if (!canvas)
                return Fail(error, "TSPL: BITMAP before CLS", at);
            auto x = static_cast<std::uint32_t>(v[0]), y = static_cast<std::uint32_t>(v[1]);
            auto w = static_cast<std::uint32_t>(v[2]), h = static_cast<std::uint32_t>(v[3]);
            // The canvas grows to hold the bitmap: the label's size in dots depends on the
            // printer's resolution, which the stream does not carry.
            if (x + 8 * w > canvas->width || y + h > canvas->height) {
                PrintedPage grown =
                    BlankPage(std::max(canvas->width, x + 8 * w), std::max(canvas->height, y + h));
                Draw(grown, 0, 0, canvas->dots.data(), canvas->bytesPerRow, canvas->height, 1, 0);
                canvas = std::move(grown);
            }
            // In TSPL a 0 bit is a black dot.
            Draw(*canvas, x, y, in.Here(), w, h, 0, static_cast<int>(v[4]));
            in.Skip(size);
            in.Take("\r\n");
            continue;
        }
        auto line = in.Line();
        if (!line)
            return Fail(error, "TSPL: command without line end", at);
        if (*line == "CLS") {
            canvas = BlankPage(0, 0);
        } else if (line->rfind("PRINT ", 0) == 0) {
            if (!canvas)
                return Fail(error, "TSPL: PRINT without CLS", at);
            pages.push_back(*canvas);
        } else if (!line->empty() &&
                   std::none_of(std::begin(kSetUp), std::end(kSetUp),
                                [&](const char* c) { return line->rfind(c, 0) == 0; })) {
            return Fail(error, "TSPL: unknown command '" + line->substr(0, 20) + "'", at);
        }
    }
    return true;
}

// ---- ESC/POS: GS v 0 m xL xH yL yH <raster>, and the set-up and finishing sequences ----

bool ReadEscPos(Input& in, std::vector<PrintedPage>& pages, std::string& error) {
    static const std::string_view kFixed[] = {
        std::string_view("\x10\xFF\xFE\x01", 4),  // job start
        std::string_view("\x10\xFF\xFE\x45", 4),  // job end
        std::string_view("\x1B\x40", 2),          // initialise
        std::string_view("\x1D\x0C", 2),          // feed to the next label
        std::string_view("\x10\x50", 2),          // end of continuous paper
        std::string_view("\x00", 1),              // NUL
    };
    while (!in.AtEnd()) {
        std::size_t at = in.Offset();
        if (in.Take(std::string_view("\x1D\x76\x30", 3))) {
            if (in.Left() < 5)
                return Fail(error, "ESC/POS: GS v 0 header cut short", at);
            std::uint8_t mode = in.Peek();
            std::uint32_t x = in.Peek(1) | in.Peek(2) << 8;
            std::uint32_t y = in.Peek(3) | in.Peek(4) << 8;
            in.Skip(5);
            if (mode != 0 && mode != 48)
                return Fail(error, "ESC/POS: GS v 0 with a scaled mode", at);
            if (in.Left() < static_cast<std::size_t>(x) * y)
                return Fail(error, "ESC/POS: raster cut short", at);
            PrintedPage page = BlankPage(8 * x, y);
            Draw(page, 0, 0, in.Here(), x, y, 1);
            in.Skip(static_cast<std::size_t>(x) * y);
            pages.push_back(std::move(page));
            continue;
        }
        if (in.Take(std::string_view("\x10\xFF\x10\x00", 4))) {
            if (in.AtEnd() || in.Peek() > 5)
                return Fail(error, "ESC/POS: density out of range", at);
            in.Skip(1);
            continue;
        }
        bool known = false;
        for (std::string_view f : kFixed)
            known = known || in.Take(f);
        if (!known)
            return Fail(error, "ESC/POS: unknown command", at);
    }
    return true;
}

// ---- CPCL: "! off 200 200 height qty", PAGE - WIDTH, CG w h x y<raster>, FORM, PRINT ----

bool CpclCommandFollows(const Input& in) {
    return in.AtEnd() || in.StartsWith("FORM\r\n") || in.StartsWith("PRINT\r\n") ||
           in.StartsWith("! ") || in.StartsWith("CG ") || in.StartsWith("PAGE - WIDTH ");
}

bool ReadCpcl(Input& in, std::vector<PrintedPage>& pages, std::string& error) {
    std::optional<PrintedPage> label;
    while (!in.AtEnd()) {
        std::size_t at = in.Offset();
        if (in.Take("CG ")) {
            long long v[3];
            for (long long& n : v) {
                auto number = in.Number();
                if (!number || !in.Take(" "))
                    return Fail(error, "CPCL: malformed CG header", at);
                n = *number;
            }
            // The raster follows the last number directly, so a raster that starts with a
            // digit reads as part of it: take the longest number after which the raster is
            // followed by a command or the end.
            std::size_t yStart = in.Offset();
            std::size_t digits = 0;
            while (digits < 6 && in.Peek(digits) >= '0' && in.Peek(digits) <= '9')
                ++digits;
            if (!digits || v[0] <= 0 || v[1] <= 0 || v[2] < 0 || v[0] > 65535 || v[1] > 65535)
                return Fail(error, "CPCL: malformed CG header", at);
            std::size_t size = static_cast<std::size_t>(v[0] * v[1]);
            bool found = false;
            long long y = 0;
            for (std::size_t n = digits; n >= 1 && !found; --n) {
                in.Seek(yStart);
                y = 0;
                for (std::size_t i = 0; i < n; ++i)
                    y = y * 10 + (in.Peek(i) - '0');
                in.Skip(n);
                if (in.Left() < size)
                    continue;
                Input after = in;
                after.Skip(size);
                found = CpclCommandFollows(after);
            }
            if (!found)
                return Fail(error, "CPCL: CG raster cut short or not followed by a command", at);
            if (!label)
                return Fail(error, "CPCL: CG before the label header", at);
            auto x = static_cast<std::uint32_t>(v[2]), w = static_cast<std::uint32_t>(v[0]);
            if (x + 8 * w > label->width) {
                PrintedPage grown = BlankPage(x + 8 * w, label->height);
                Draw(grown, 0, 0, label->dots.data(), label->bytesPerRow, label->height, 1, 0);
                label = std::move(grown);
            }
            Draw(*label, x, static_cast<std::uint32_t>(y), in.Here(), w,
                 static_cast<std::uint32_t>(v[1]), 1);
            in.Skip(size);
            continue;
        }
        auto line = in.Line();
        if (!line)
            return Fail(error, "CPCL: command without line end", at);
        if (line->rfind("! ", 0) == 0) {
            Input header(reinterpret_cast<const std::uint8_t*>(line->data()), line->size());
            header.Skip(2);
            auto offset = header.Number();
            auto h = header.Take(" 200 200 ") ? header.Number() : std::nullopt;
            if (!offset || !h || *h < 0 || *h > 65535 || !header.Take(" ") || !header.Number() ||
                !header.AtEnd())
                return Fail(error, "CPCL: malformed label header", at);
            label = BlankPage(0, static_cast<std::uint32_t>(*h));
        } else if (*line == "PRINT") {
            if (!label)
                return Fail(error, "CPCL: PRINT without a label", at);
            pages.push_back(std::move(*label));
            label.reset();
        } else if (*line != "FORM" && line->rfind("PAGE - WIDTH ", 0) != 0) {
            return Fail(error, "CPCL: unknown command '" + line->substr(0, 20) + "'", at);
        }
    }
    return true;
}

// ---- paperang: A5 01 len payload crc 5A frames ----

std::uint32_t FrameCrc(const std::uint8_t* p, std::size_t n) {
    static const auto table = [] {
        std::vector<std::uint32_t> t(256);
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0x4F17C3B2;
    while (n--)
        c = table[(c ^ *p++) & 0xFF] ^ (c >> 8);
    return ~c;
}

std::uint32_t Le16(const std::uint8_t* p) {
    return p[0] | p[1] << 8;
}

bool ReadPaperang(Input& in, std::vector<PrintedPage>& pages, std::string& error) {
    std::optional<PrintedPage> page;
    std::vector<std::uint8_t> rows;
    std::uint32_t rowBytes = 0, rowCount = 0;
    while (!in.AtEnd()) {
        std::size_t at = in.Offset();
        if (in.Left() < 9 || in.Peek() != 0xA5 || in.Peek(1) != 0x01)
            return Fail(error, "paperang: no frame start", at);
        std::uint32_t n = in.Peek(2) | in.Peek(3) << 8;
        if (in.Left() < 9 + static_cast<std::size_t>(n))
            return Fail(error, "paperang: frame cut short", at);
        const std::uint8_t* p = in.Here() + 4;
        const std::uint8_t* tail = p + n;
        std::uint32_t crc =
            tail[0] | tail[1] << 8 | tail[2] << 16 | static_cast<std::uint32_t>(tail[3]) << 24;
        if (tail[4] != 0x5A)
            return Fail(error, "paperang: no frame end", at);
        if (crc != FrameCrc(p, n))
            return Fail(error, "paperang: CRC mismatch", at);
        in.Skip(9 + n);
        if (n < 3 || p[0] != 0x05 || p[2] != 0x03)
            return Fail(error, "paperang: unknown payload", at);
        const std::string_view payload(reinterpret_cast<const char*>(p), n);
        if (payload == std::string_view("\x05\x19\x03\x00\x00", 5)) {
            page = PrintedPage{};
            rows.clear();
            rowBytes = rowCount = 0;
        } else if (p[1] == 0x1B) {
            if (!page)
                return Fail(error, "paperang: row outside a page", at);
            if (n < 17 || p[9] != 0x01 || p[12] || p[13] || p[14])
                return Fail(error, "paperang: malformed row header", at);
            std::uint32_t b = Le16(p + 10);
            if (Le16(p + 15) != b || Le16(p + 3) != ((12 + b) & 0xFFFF) ||
                Le16(p + 7) != ((8 + b) & 0xFFFF) || n != 17 + b)
                return Fail(error, "paperang: row lengths disagree", at);
            if (Le16(p + 5) != (rowCount & 0xFFFF))
                return Fail(error, "paperang: row out of sequence", at);
            if (rowCount && b != rowBytes)
                return Fail(error, "paperang: row width changed within a page", at);
            rowBytes = b;
            rows.insert(rows.end(), p + 17, p + 17 + b);
            ++rowCount;
        } else if (payload == std::string_view("\x05\x1A\x03\x00\x00", 5)) {
            if (!page)
                return Fail(error, "paperang: page end without a start", at);
            PrintedPage done = BlankPage(8 * rowBytes, rowCount);
            Draw(done, 0, 0, rows.data(), rowBytes, rowCount, 1);
            pages.push_back(std::move(done));
            page.reset();
        } else if (payload != std::string_view("\x05\x21\x03\x04\x00\x64\x00\x00\x00", 9) &&
                   payload != std::string_view("\x05\x16\x03\x02\x00\x00\x00", 7)) {
            return Fail(error, "paperang: unknown payload", at);
        }
    }
    if (page)
        return Fail(error, "paperang: page without an end", in.Offset());
    return true;
}

}  // namespace

bool CommandLanguageFromName(const std::string& name, CommandLanguage& language) {
    const std::pair<const char*, CommandLanguage> names[] = {
        {"tspl", CommandLanguage::Tspl},
        {"escpos", CommandLanguage::EscPos},
        {"cpcl", CommandLanguage::Cpcl},
        {"paperang", CommandLanguage::Paperang}};
    for (const auto& [n, l] : names) {
        if (name == n) {
            language = l;
            return true;
        }
    }
    return false;
}

bool ReadCommandStream(CommandLanguage language, const std::uint8_t* bytes, std::size_t size,
                       std::vector<PrintedPage>& pages, std::string& error) {
    Input in(bytes, size);
    switch (language) {
        case CommandLanguage::Tspl:
            return ReadTspl(in, pages, error);
        case CommandLanguage::EscPos:
            return ReadEscPos(in, pages, error);
        case CommandLanguage::Cpcl:
            return ReadCpcl(in, pages, error);
        case CommandLanguage::Paperang:
            return ReadPaperang(in, pages, error);
    }
    return false;
}

bool WritePagePng(const PrintedPage& page, const std::string& path, std::string& error) {
    if (!page.width || !page.height) {
        error = "an empty page has no picture";
        return false;
    }
    std::vector<std::uint8_t> gray(static_cast<std::size_t>(page.width) * page.height);
    for (std::uint32_t y = 0; y < page.height; ++y) {
        for (std::uint32_t x = 0; x < page.width; ++x)
            gray[static_cast<std::size_t>(y) * page.width + x] = page.Black(x, y) ? 0 : 255;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = page.width;
    png.height = page.height;
    png.format = PNG_FORMAT_GRAY;
    if (!png_image_write_to_file(&png, path.c_str(), 0, gray.data(), 0, nullptr)) {
        error = "cannot write " + path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}
