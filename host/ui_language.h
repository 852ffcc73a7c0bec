// The user's default user-interface language, as a Windows language id (1033 English,
// 2052 simplified Chinese, 1066 Vietnamese, ...).
#pragma once

#include "host/win32_types.h"

namespace host {

WORD UserDefaultUILanguage();

#ifndef _WIN32
// Natively the language is 1033 unless a test chooses another; 0 restores 1033.
void SetUserDefaultUILanguage(WORD language);
#endif

}  // namespace host
