// The per-printer settings records as stored in printer data, and the private DEVMODE part
// of both plug-ins. The layouts are a stored format: sizes and offsets never change.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/win32_types.h"

// "ZDDATA": printer and media settings.
struct DeviceSettings {
    std::int32_t iReserved0;
    std::int32_t bDebug;
    std::int32_t iSpeed;
    std::int32_t iDensity;
    std::int32_t iOffsetX;
    std::int32_t iOffsetY;
    std::int32_t iDirection;
    std::int32_t bAutoDotted;
    std::int32_t bPauseKey;
    std::int32_t bWasteMark;
    std::int32_t iPaperType;
    std::int32_t iGapHeight;
    std::int32_t iGapOffset;
    std::int32_t iFeed;
    std::int32_t iPostAction;
    std::int32_t iPostActionWhen;
    std::int32_t iHeadType;
};

// "ZDDATA1": how gray pages become black and white.
struct HalftoneSettings {
    std::int32_t iGrayMethod;
    std::int32_t iThreValue;
    std::int32_t iLiangdu;
    std::int32_t iDuibidu;
};

constexpr std::size_t kWatermarkPathUnits = 260;

// "WaterMark": the picture stamped on every page.
struct WatermarkSettings {
    std::int32_t bEnable;
    char16_t szPath[kWatermarkPathUnits];
    std::int32_t iAlpha;
    std::int32_t crAlphaColor;
    std::int32_t iRotateDir;
    std::int32_t iRotateAngle;
    std::int32_t bTile;
    std::int32_t iAlign;
    std::int32_t iMarginX;
    std::int32_t iMarginY;
    std::int32_t iSpacingX;
    std::int32_t iSpacingY;
};

// The private DEVMODE part; its first three fields are the host's extra-data header.
struct OemPrivateDevmode {
    DWORD dwSize;
    DWORD dwSignature;
    DWORD dwVersion;
    std::int32_t dwDriverData;
};

constexpr DWORD kOemSignature = 0x4D534654;
constexpr DWORD kOemVersion = 1;

constexpr DWORD kDeviceSettingsSize = 68;
constexpr DWORD kHalftoneSettingsSize = 16;
constexpr DWORD kWatermarkSettingsSize = 564;
constexpr DWORD kOemDevmodeSize = 16;

static_assert(sizeof(DeviceSettings) == kDeviceSettingsSize);
static_assert(offsetof(DeviceSettings, iDirection) == 24);
static_assert(offsetof(DeviceSettings, iPaperType) == 40);
static_assert(offsetof(DeviceSettings, iHeadType) == 64);
static_assert(sizeof(HalftoneSettings) == kHalftoneSettingsSize);
static_assert(offsetof(HalftoneSettings, iDuibidu) == 12);
static_assert(sizeof(WatermarkSettings) == kWatermarkSettingsSize);
static_assert(offsetof(WatermarkSettings, szPath) == 4);
static_assert(offsetof(WatermarkSettings, iAlpha) == 524);
static_assert(offsetof(WatermarkSettings, crAlphaColor) == 528);
static_assert(offsetof(WatermarkSettings, iAlign) == 544);
static_assert(offsetof(WatermarkSettings, iSpacingY) == 560);
static_assert(sizeof(OemPrivateDevmode) == kOemDevmodeSize);

// Printer-data names.
inline constexpr char16_t kPrinterDriverDataKey[] = u"PrinterDriverData";
inline constexpr char16_t kDsDriverKey[] = u"DsDriver";
inline constexpr char16_t kDeviceSettingsValue[] = u"ZDDATA";
inline constexpr char16_t kHalftoneSettingsValue[] = u"ZDDATA1";
inline constexpr char16_t kWatermarkSettingsValue[] = u"WaterMark";
inline constexpr char16_t kPrintLanguageValue[] = u"printLanguage";
inline constexpr char16_t kOemUiValue[] = u"OEMUI_VALUE";

// What a reader holds when a stored record is missing or unreadable.
DeviceSettings DeviceSettingsFallback();
HalftoneSettings HalftoneSettingsFallback();
// Fallback and initial values of the watermark record are the same.
WatermarkSettings WatermarkSettingsDefaults();

// The first values of a newly initialised printer, before its model's attributes apply.
DeviceSettings DeviceSettingsInitial();
HalftoneSettings HalftoneSettingsInitial();
