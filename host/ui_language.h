// The user's default user-interface language, as a Windows language id (1033 English,
// 2052 simplified Chinese, 1066 Vietnamese, ...).
#pragma once

#include "host/win32_types.h"

namespace host {

WORD UserDefaultUILanguage();

// A test's choice of language; 0 restores the platform's (natively always 1033).
void SetUserDefaultUILanguage(WORD language);

}  // namespace host
