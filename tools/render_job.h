// Renders page pictures through the render plug-in in the simulated host, with the printer's
// data held in an in-memory spooler: what zendor-render does, usable from tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/sim_host.h"
#include "tools/page_image.h"

struct RenderJob {
    std::u16string language = u"tspl";  // the printer's "printLanguage"
    int dpi = 203;
    int bandHeight = 64;
    int bits = 0;  // 1, 8 or 24; 0: 8 for gray pictures, 24 for colour ones
    bool landscape = false;
    bool flagBlankBands = false;
    int pages = 1;
    int documents = 1;
    std::string diagnosticsFolder;  // where the plug-in writes its debug files (empty: none)
    // Stored printer data; an absent record is absent from the printer.
    std::optional<std::vector<std::uint8_t>> zddata, zddata1, watermark;
};

// Feeds the picture as every page of every document; the spool bytes go to `sink`.
bool RunRenderJob(const RenderJob& job, const PageImage& image, const host::SpoolSink& sink,
                  std::string& error);

// The bands the host would deliver for a picture at a depth: gray, 1-bit (white when the
// gray level is 128 or more) or BGR.
host::SimPage PageFromImage(const PageImage& image, int bits, int dpi);
