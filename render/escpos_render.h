// ESC/POS: each page is one raster bit-image command between set-up and finishing bytes.
#pragma once

#include "render/printer_render.h"

class EscPosRender : public PrinterRender {
  public:
    void BeginJob() override;
    void EndJob() override;
    void EncodePage() override;
    // Sends zero counts too, and logs every byte in hexadecimal.
    void WriteSpool(const void* bytes, LONG count) override;

    // Rows left unsent at the end of a label or black-mark page.
    static constexpr DWORD kGapRows = 16;
};
