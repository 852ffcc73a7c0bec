#include "settings/records.h"

DeviceSettings DeviceSettingsFallback() {
    return DeviceSettings{
        .iReserved0 = 1,
        .bDebug = 0,
        .iSpeed = 14,
        .iDensity = 8,
        .iOffsetX = 0,
        .iOffsetY = 0,
        .iDirection = 0,
        .bAutoDotted = 0,
        .bPauseKey = 1,
        .bWasteMark = 1,
        .iPaperType = 0,
        .iGapHeight = 3,
        .iGapOffset = 0,
        .iFeed = 0,
        .iPostAction = 0,
        .iPostActionWhen = 0,
        .iHeadType = 0,
    };
}

HalftoneSettings HalftoneSettingsFallback() {
    return HalftoneSettings{.iGrayMethod = 3, .iThreValue = 175, .iLiangdu = 0, .iDuibidu = 0};
}

WatermarkSettings WatermarkSettingsDefaults() {
    WatermarkSettings w{};
    w.bEnable = 0;
    w.iAlpha = 40;
    w.crAlphaColor = 0xFFFFFF;
    w.iRotateDir = 0;
    w.iRotateAngle = 0;
    w.bTile = 0;
    w.iAlign = 9;
    w.iMarginX = 10;
    w.iMarginY = 10;
    w.iSpacingX = 100;
    w.iSpacingY = 100;
    return w;
}

DeviceSettings DeviceSettingsInitial() {
    return DeviceSettings{
        .iReserved0 = 1,
        .bDebug = 0,
        .iSpeed = -1,
        .iDensity = -1,
        .iOffsetX = 0,
        .iOffsetY = 0,
        .iDirection = 0,
        .bAutoDotted = 1,
        .bPauseKey = 1,
        .bWasteMark = 1,
        .iPaperType = 1,
        .iGapHeight = 3,
        .iGapOffset = 0,
        .iFeed = 0,
        .iPostAction = 0,
        .iPostActionWhen = 0,
        .iHeadType = -1,
    };
}

HalftoneSettings HalftoneSettingsInitial() {
    return HalftoneSettings{.iGrayMethod = 0, .iThreValue = 175, .iLiangdu = 0, .iDuibidu = 0};
}
