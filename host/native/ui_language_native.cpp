#include <atomic>

#include "host/ui_language.h"

namespace host {
namespace {

constexpr WORD kEnglishUnitedStates = 1033;
std::atomic<WORD> g_language{0};

}  // namespace

WORD UserDefaultUILanguage() {
    const WORD chosen = g_language.load();
    return chosen ? chosen : kEnglishUnitedStates;
}

void SetUserDefaultUILanguage(WORD language) {
    g_language.store(language);
}

}  // namespace host
