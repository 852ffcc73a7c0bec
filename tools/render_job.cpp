#include "tools/render_job.h"

#include "tools/job_printer.h"

namespace {

std::uint8_t Gray(const PageImage& image, const std::uint8_t* pixel) {
    if (image.channels == 1)
        return pixel[0];
    return static_cast<std::uint8_t>((306 * pixel[0] + 601 * pixel[1] + 117 * pixel[2]) >> 10);
}

}  // namespace

host::SimPage PageFromImage(const PageImage& image, int bits, int dpi) {
    host::SimPage page;
    page.width = static_cast<LONG>(image.width);
    page.height = static_cast<LONG>(image.height);
    page.bits = static_cast<WORD>(bits);
    page.dpi = dpi;
    page.rows = [&image, bits](LONG first, LONG count, BYTE* out, DWORD stride) {
        const std::size_t rowBytes = static_cast<std::size_t>(image.width) * image.channels;
        for (LONG r = 0; r < count; ++r) {
            const std::uint8_t* src = image.pixels.data() + (first + r) * rowBytes;
            BYTE* dst = out + static_cast<std::size_t>(r) * stride;
            for (std::uint32_t x = 0; x < image.width; ++x) {
                const std::uint8_t* px = src + x * image.channels;
                if (bits == 8) {
                    dst[x] = Gray(image, px);
                } else if (bits == 24) {
                    bool rgb = image.channels == 3;
                    dst[3 * x] = rgb ? px[2] : px[0];
                    dst[3 * x + 1] = rgb ? px[1] : px[0];
                    dst[3 * x + 2] = px[0];
                } else if (Gray(image, px) >= 128) {
                    dst[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
                }
            }
        }
    };
    return page;
}

bool RunRenderJob(const RenderJob& job, const PageImage& image, const host::SpoolSink& sink,
                  std::string& error) {
    JobPrinter printer;
    if (!printer.Create(job, error))
        return false;
    host::SimulatedHost simHost(printer.ClassObject(), sink);
    host::SimOptions options;
    options.bandHeight = job.bandHeight;
    options.landscape = job.landscape;
    options.flagBlankBands = job.flagBlankBands;
    options.diagnosticsFolder = job.diagnosticsFolder;
    int bits = job.bits ? job.bits : image.channels == 1 ? 8 : 24;
    host::SimPage page = PageFromImage(image, bits, job.dpi);
    bool ok = simHost.Load() && simHost.EnableDevice(printer.Handle(), options);
    for (int d = 0; ok && d < job.documents; ++d) {
        ok = simHost.StartDoc(u"zendor-render");
        for (int p = 0; ok && p < job.pages; ++p)
            ok = simHost.PrintPage(page);
        ok = ok && simHost.EndDoc();
    }
    if (!ok)
        error = "simulated host: " + simHost.LastError();
    simHost.Unload();
    return ok;
}
