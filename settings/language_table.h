// The configuration plug-in's language tables: every visible text is looked up by its
// simplified-Chinese source text, which is also what shows when a table lacks it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "host/win32_types.h"

// The table resource for a user interface language: only 2052 (Chinese, PRC) gets the
// Chinese table and only 1066 the Vietnamese one; everything else reads English.
int LanguageResourceId(WORD uiLanguage);

class CLanguageTable {
  public:
    // Parses the table of the user's UI language. When its resource is missing or empty the
    // previous table stays.
    void LoadLanguageTable();
    // Parses these bytes as the table.
    pugi::xml_parse_result LoadFromBuffer(const void* data, std::size_t size);
    void Reset() { m_doc.reset(); }

    // The text of the first row whose id is the key; the key itself when there is none.
    std::string Translate(std::string_view key) const;

  private:
    pugi::xml_document m_doc;
};

// The plug-in's table, shared by the whole process.
CLanguageTable& UiLanguageTable();
inline void LoadLanguageTable() {
    UiLanguageTable().LoadLanguageTable();
}
inline std::string Translate(std::string_view key) {
    return UiLanguageTable().Translate(key);
}
