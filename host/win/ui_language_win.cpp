#include "host/ui_language.h"

namespace host {

WORD UserDefaultUILanguage() {
    return GetUserDefaultUILanguage();
}

}  // namespace host
