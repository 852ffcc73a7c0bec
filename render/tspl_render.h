// TSPL: every page is a self-contained label job.
#pragma once

#include "render/printer_render.h"

class TsplRender : public PrinterRender {
  public:
    void EncodePage() override;

  private:
    void WriteLine(const ByteBuffer& line);
};
