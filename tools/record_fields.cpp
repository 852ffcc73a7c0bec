#include "tools/record_fields.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "host/utf.h"
#include "settings/records.h"

#define DEVICE_FIELD(f) \
    { #f, RecordKind::Device, offsetof(DeviceSettings, f), false }
#define HALFTONE_FIELD(f) \
    { #f, RecordKind::Halftone, offsetof(HalftoneSettings, f), false }
#define WATERMARK_FIELD(f) \
    { #f, RecordKind::Watermark, offsetof(WatermarkSettings, f), false }

const std::vector<RecordField>& RecordFields() {
    static const std::vector<RecordField> fields = {
        DEVICE_FIELD(iReserved0),
        DEVICE_FIELD(bDebug),
        DEVICE_FIELD(iSpeed),
        DEVICE_FIELD(iDensity),
        DEVICE_FIELD(iOffsetX),
        DEVICE_FIELD(iOffsetY),
        DEVICE_FIELD(iDirection),
        DEVICE_FIELD(bAutoDotted),
        DEVICE_FIELD(bPauseKey),
        DEVICE_FIELD(bWasteMark),
        DEVICE_FIELD(iPaperType),
        DEVICE_FIELD(iGapHeight),
        DEVICE_FIELD(iGapOffset),
        DEVICE_FIELD(iFeed),
        DEVICE_FIELD(iPostAction),
        DEVICE_FIELD(iPostActionWhen),
        DEVICE_FIELD(iHeadType),
        HALFTONE_FIELD(iGrayMethod),
        HALFTONE_FIELD(iThreValue),
        HALFTONE_FIELD(iLiangdu),
        HALFTONE_FIELD(iDuibidu),
        WATERMARK_FIELD(bEnable),
        {"szPath", RecordKind::Watermark, offsetof(WatermarkSettings, szPath), true},
        WATERMARK_FIELD(iAlpha),
        WATERMARK_FIELD(crAlphaColor),
        WATERMARK_FIELD(iRotateDir),
        WATERMARK_FIELD(iRotateAngle),
        WATERMARK_FIELD(bTile),
        WATERMARK_FIELD(iAlign),
        WATERMARK_FIELD(iMarginX),
        WATERMARK_FIELD(iMarginY),
        WATERMARK_FIELD(iSpacingX),
        WATERMARK_FIELD(iSpacingY),
    };
    return fields;
}

const RecordField* FindRecordField(const std::string& name) {
    for (const RecordField& f : RecordFields()) {
        if (name == f.name)
            return &f;
    }
    return nullptr;
}

bool SetRecordField(const RecordField& field, const std::string& value,
                    std::vector<unsigned char>& record, std::string& error) {
    if (field.isText) {
        std::u16string text = Utf8ToUtf16(value);
        if (Utf16ToUtf8(text) != value) {
            error = std::string(field.name) + ": not valid UTF-8";
            return false;
        }
        // At most 259 units are stored; the rest of the field is zero.
        text.resize(std::min(text.size(), kWatermarkPathUnits - 1));
        std::memset(record.data() + field.offset, 0, kWatermarkPathUnits * 2);
        std::memcpy(record.data() + field.offset, text.data(), text.size() * 2);
        return true;
    }
    const char* begin = value.c_str();
    char* end = nullptr;
    errno = 0;
    long long number = std::strtoll(begin, &end, 0);
    if (value.empty() || *end != '\0' || errno == ERANGE || number < INT32_MIN ||
        number > INT32_MAX) {
        error = std::string(field.name) + ": '" + value + "' is not a 32-bit integer";
        return false;
    }
    std::int32_t v = static_cast<std::int32_t>(number);
    std::memcpy(record.data() + field.offset, &v, sizeof v);
    return true;
}
