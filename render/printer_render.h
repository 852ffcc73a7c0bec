// The page writer: turns each collected page into a 1-bit raster and hands it to the
// encoder of the printer's command language, which writes through the host's spool call.
#pragma once

#include <string_view>

#include "imaging/ximage.h"
#include "render/byte_buffer.h"
#include "render/oem_pdev.h"
#include "render/render_log.h"
#include "settings/printer_data.h"

class PrinterRender {
  public:
    PrinterRender();
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
    // Hands bytes to the host's spool write; false when the device has none.
    bool SendToSpool(const void* bytes, DWORD count);
    // A log entry, only while the debug switch is on.
    void Log(std::string_view text);
    bool Debugging() const { return m_device.bDebug != 0; }

    CxImage m_image;  // the page being prepared and encoded
    DeviceSettings m_device{};
    HalftoneSettings m_halftone{};
    WatermarkSettings m_watermark{};

  private:
    friend PrinterRender* AcquireRender(DEVOBJ*, OemPdev*);
    void TakeSettings();
    bool LoadPageImage();
    void ReportPageHeader();
    // A line for the debug output and, while debugging, the log.
    void Report(std::string_view line);
    void ReportF(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void SavePageDump(const char* suffix);

    volatile LONG m_cRef = 1;
    SYSTEMTIME m_createdTime;  // names the log
    SYSTEMTIME m_pageTime;     // names the page's dumps
    RenderLog m_log;
};

// Resolution class of the page from the dots per inch the host reports.
int DpiClassOf(LONG dpi);

// The device's writer with a reference for the caller, created at first use from the
// printer's "printLanguage"; null when the language is unknown or unreadable.
PrinterRender* AcquireRender(DEVOBJ* devObj, OemPdev* oemPdev);
