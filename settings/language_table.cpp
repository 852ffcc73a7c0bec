#include "settings/language_table.h"

#include "host/resources.h"
#include "host/ui_language.h"
#include "settings/resource_ids.h"

namespace {

constexpr WORD kChinesePrc = 2052;
constexpr WORD kVietnamese = 1066;

}  // namespace

int LanguageResourceId(WORD uiLanguage) {
    switch (uiLanguage) {
        case kChinesePrc:
            return kLanguageChineseResource;
        case kVietnamese:
            return kLanguageVietnameseResource;
        default:
            return kLanguageEnglishResource;
    }
}

void CLanguageTable::LoadLanguageTable() {
    const int id = LanguageResourceId(host::UserDefaultUILanguage());
    const BYTE* data = nullptr;
    DWORD size = 0;
    if (!host::FindResourceBytes(kXmlResourceType, id, &data, &size) || size == 0)
        return;
    LoadFromBuffer(data, size);
}

pugi::xml_parse_result CLanguageTable::LoadFromBuffer(const void* data, std::size_t size) {
    // A malformed table keeps what was parsed before the error.
    return m_doc.load_buffer(data, size);
}

std::string CLanguageTable::Translate(std::string_view key) const {
    for (pugi::xml_node row : m_doc.child("Language").children("String")) {
        const pugi::xml_attribute id = row.attribute("id");
        if (id && key == id.value())
            return row.attribute("text").value();
    }
    return std::string(key);
}

CLanguageTable& UiLanguageTable() {
    static CLanguageTable table;
    return table;
}
