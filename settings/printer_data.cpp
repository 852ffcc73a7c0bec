#include "settings/printer_data.h"

#include <algorithm>

#include "host/spooler.h"
#include "host/trace.h"

namespace {

void TraceStatus(const char* step, DWORD status) {
    DWORD error = GetLastError();
    host::TraceF("%s dwStatus = %d error = %d, %s", step, static_cast<int>(status),
                 static_cast<int>(error), host::SystemMessage(error).c_str());
}

bool IsOpenHandle(HANDLE h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

constexpr OemPrivateDevmode DefaultPrivatePart(std::int32_t driverData) {
    return OemPrivateDevmode{kOemDevmodeSize, kOemSignature, kOemVersion, driverData};
}

}  // namespace

bool ReadPrinterDataValue(HANDLE printer, const char16_t* key, const char16_t* value,
                          RecordBuffer& buffer) {
    host::Spooler& spooler = host::CurrentSpooler();
    DWORD type = 0;
    DWORD needed = 0;
    DWORD status =
        spooler.GetPrinterDataExW(printer, key, value, &type, buffer.bytes.data(), 0, &needed);
    if (status == ERROR_SUCCESS)
        return true;
    if (status != ERROR_MORE_DATA) {
        TraceStatus("GetPrinterData1", status);
        return false;
    }
    if (needed >= 1) {
        if (buffer.bytes.size() < needed)
            buffer.bytes.resize(needed);
        buffer.used = needed;
    } else {
        buffer.used = 0;
    }
    std::fill(buffer.bytes.begin(), buffer.bytes.end(), 0);
    status =
        spooler.GetPrinterDataExW(printer, key, value, &type, buffer.bytes.data(), needed, &needed);
    if (status != ERROR_SUCCESS) {
        TraceStatus("GetPrinterData2", status);
        return false;
    }
    return true;
}

bool ReadPrintLanguage(HANDLE printer, std::u16string& language) {
    RecordBuffer buffer(1024);
    if (!ReadPrinterDataValue(printer, kDsDriverKey, kPrintLanguageValue, buffer))
        return false;
    // The value is a string list; the first string counts. Stop at the stored length even
    // when the value lacks its terminator.
    const auto* text = reinterpret_cast<const char16_t*>(buffer.bytes.data());
    std::size_t units = std::min<std::size_t>(buffer.used, buffer.bytes.size()) / 2;
    language.assign(text, std::find(text, text + units, u'\0'));
    return true;
}

bool OpenPrinterByName(const char16_t* name, HANDLE* own) {
    *own = nullptr;
    if (!host::CurrentSpooler().OpenPrinterW(name, own, PRINTER_ALL_ACCESS)) {
        *own = nullptr;
        DWORD error = GetLastError();
        host::TraceF("OpenPrinter error = %d, %s", static_cast<int>(error),
                     host::SystemMessage(error).c_str());
        return false;
    }
    return true;
}

bool OpenPrinterFromHandle(HANDLE hostPrinter, HANDLE* own) {
    host::Spooler& spooler = host::CurrentSpooler();
    if (IsOpenHandle(*own)) {
        spooler.ClosePrinter(*own);
        *own = nullptr;
    }
    DWORD needed = 0;
    if (!spooler.GetPrinterW(hostPrinter, 2, nullptr, 0, &needed) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    std::vector<BYTE> info(std::max<DWORD>(needed, sizeof(PRINTER_INFO_2W)));
    if (!spooler.GetPrinterW(hostPrinter, 2, info.data(), static_cast<DWORD>(info.size()),
                             &needed)) {
        return false;
    }
    const auto* printer = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    if (!printer->pPrinterName)
        return false;
    return OpenPrinterByName(reinterpret_cast<const char16_t*>(printer->pPrinterName), own);
}

void LoadSettingsRecords(HANDLE printer, SettingsRecords& records) {
    if (!ReadPrinterDataValue(printer, kPrinterDriverDataKey, kDeviceSettingsValue,
                              records.device)) {
        records.device.Assign(DeviceSettingsFallback());
    }
    if (!ReadPrinterDataValue(printer, kPrinterDriverDataKey, kHalftoneSettingsValue,
                              records.halftone)) {
        records.halftone.Assign(HalftoneSettingsFallback());
    }
    if (!ReadPrinterDataValue(printer, kPrinterDriverDataKey, kWatermarkSettingsValue,
                              records.watermark)) {
        records.watermark.Assign(WatermarkSettingsDefaults());
    }
}

bool CSettingsStore::OpenPrinterFromHandle(HANDLE hostPrinter) {
    return ::OpenPrinterFromHandle(hostPrinter, &m_hPrinter);
}

bool CSettingsStore::OpenPrinterByName(const char16_t* name) {
    ClosePrinter();
    return ::OpenPrinterByName(name, &m_hPrinter);
}

void CSettingsStore::ClosePrinter() {
    if (IsOpenHandle(m_hPrinter))
        host::CurrentSpooler().ClosePrinter(m_hPrinter);
    m_hPrinter = nullptr;
}

void CSettingsStore::LoadPrinterParameters() {
    LoadSettingsRecords(m_hPrinter, m_records);
    ReadPrintLanguage(m_hPrinter, m_language);
}

void CSettingsStore::SetPrinterParameters() {
    if (!m_hPrinter) {
        host::Trace("CPrinterUI::SetPrinterParameters m_hPrinter is null");
        return;
    }
    struct Value {
        const char16_t* name;
        const RecordBuffer& buffer;
        DWORD size;
    };
    const Value values[] = {
        {kDeviceSettingsValue, m_records.device, kDeviceSettingsSize},
        {kHalftoneSettingsValue, m_records.halftone, kHalftoneSettingsSize},
        {kWatermarkSettingsValue, m_records.watermark, kWatermarkSettingsSize},
    };
    for (const Value& v : values) {
        DWORD status = host::CurrentSpooler().SetPrinterDataW(m_hPrinter, v.name, REG_BINARY,
                                                              v.buffer.bytes.data(), v.size);
        if (status != ERROR_SUCCESS) {
            host::TraceF("CPrinterUI::SetPrinterParameters SetPrinterData failed. ret=%d",
                         static_cast<int>(status));
        }
    }
}

BOOL ConvertOEMDevmode(const OemPrivateDevmode* in, OemPrivateDevmode* out, OemPlugin plugin) {
    if (!in || !out) {
        if (plugin == OemPlugin::Render) {
            host::Trace("ERROR BITMAP:  ConvertOEMDevmode() invalid parameters.\r\n");
        }
        return FALSE;
    }
    if (in->dwSignature == out->dwSignature) {
        out->dwDriverData = 0;
        // Both parts are ours and 16 bytes long whatever their size fields claim; never copy
        // past them.
        DWORD size = std::min({in->dwSize, out->dwSize, kOemDevmodeSize});
        std::memmove(out, in, size);
        out->dwSize = kOemDevmodeSize;
        out->dwVersion = kOemVersion;
    } else {
        *out = DefaultPrivatePart(0);
    }
    return TRUE;
}

HRESULT OemDevMode(DWORD mode, POEMDMPARAM param, OemPlugin plugin,
                   const ApplyDefaultFormFn& applyDefaultForm) {
    if (!param || mode < OEMDM_SIZE || mode > OEMDM_MERGE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    auto* in = static_cast<OemPrivateDevmode*>(param->pOEMDMIn);
    auto* out = static_cast<OemPrivateDevmode*>(param->pOEMDMOut);
    switch (mode) {
        case OEMDM_SIZE:
            param->cbBufSize = kOemDevmodeSize;
            break;
        case OEMDM_DEFAULT:
            if (plugin == OemPlugin::Configuration && param->pPublicDMIn && applyDefaultForm) {
                applyDefaultForm(param->hPrinter, param->pPublicDMIn);
            }
            if (out)
                *out = DefaultPrivatePart(plugin == OemPlugin::Configuration ? 1 : 0);
            break;
        case OEMDM_CONVERT:
            ConvertOEMDevmode(in, out, plugin);
            break;
        case OEMDM_MERGE:
            ConvertOEMDevmode(in, out, plugin);
            if (out) {
                out->dwSize = kOemDevmodeSize;
                out->dwSignature = kOemSignature;
                out->dwVersion = kOemVersion;
                if (plugin == OemPlugin::Render || out->dwDriverData > 100)
                    out->dwDriverData = 0;
            }
            break;
    }
    return S_OK;
}
