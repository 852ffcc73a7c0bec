// CPCL: each page is one label with the whole page as one graphics command.
#pragma once

#include "render/printer_render.h"

class CpclRender : public PrinterRender {
  public:
    void EncodePage() override;

  private:
    void Write(const ByteBuffer& command);
};
