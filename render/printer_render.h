// The page writer: turns each collected page into a 1-bit raster and hands it to the
// encoder of the printer's command language, which writes through the host's spool call.
#pragma once

#include "imaging/ximage.h"
#include "render/byte_buffer.h"
#include "render/oem_pdev.h"
#include "settings/printer_data.h"

class PrinterRender {
  public:
    PrinterRender() = default;
    PrinterRender(const PrinterRender&) = delete;
    PrinterRender& operator=(const PrinterRender&) = delete;

    ULONG AddRef();
    ULONG Release();  // deletes the writer at 0
    virtual ~PrinterRender();

    virtual void OnStartDoc() {}
    virtual void OnEndDoc() { EndJob(); }
    virtual void OnSendPage() {}
    virtual void OnNextBand() {}
    virtual void BeginJob() {}
    virtual void EndJob() {}
    // The page sequence common to every language: set up, load, prepare, encode, end.
    virtual void RenderPage();
    virtual void EndPage();
    virtual void EncodePage() {}
    virtual void WriteSpool(const void* bytes, LONG count);

    // Stored by every hook before it calls the writer.
    DEVOBJ* m_pDevObj = nullptr;
    OemPdev* m_pOemPDEV = nullptr;

    int dpiClass = 200;
    SettingsRecords m_settings;
    bool bJobBegun = false;

  protected:
    CxImage m_image;  // the page being prepared and encoded
    DeviceSettings m_device{};
    HalftoneSettings m_halftone{};
    WatermarkSettings m_watermark{};

  private:
    friend PrinterRender* AcquireRender(DEVOBJ*, OemPdev*);
    void TakeSettings();
    bool LoadPageImage();
    void TracePageHeader() const;

    volatile LONG m_cRef = 1;
};

// Resolution class of the page from the dots per inch the host reports.
int DpiClassOf(LONG dpi);

// The device's writer with a reference for the caller, created at first use from the
// printer's "printLanguage"; null when the language is unknown or unreadable.
PrinterRender* AcquireRender(DEVOBJ* devObj, OemPdev* oemPdev);
