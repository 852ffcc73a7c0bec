// Ids of the XML resources built into the modules (resource type "XML").
#pragma once

inline constexpr char16_t kXmlResourceType[] = u"XML";

inline constexpr int kModelDatabaseUiResource = 147;         // configuration plug-in
inline constexpr int kModelDatabaseInstallerResource = 131;  // installer
inline constexpr int kLanguageChineseResource = 124;
inline constexpr int kLanguageEnglishResource = 125;
inline constexpr int kLanguageVietnameseResource = 146;
