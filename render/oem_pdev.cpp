#include "render/oem_pdev.h"

#include "host/alloc.h"
#include "render/printer_render.h"

OemPdev::~OemPdev() {
    ResetPage();
    if (render)
        render->Release();
}

void OemPdev::ResetPage() {
    for (PageBand& band : bands)
        host::FreeBlock(band.bytes);
    bands.clear();
    dwBufSize = 0;
    bPageFailed = false;
    bHeadersFilled = 0;
    bColorTable = 0;
    cbHeaderOffBits = 54;
    bmInfoHeader.biHeight = 0;
    bmInfoHeader.biSizeImage = 0;
}
