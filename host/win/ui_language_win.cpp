#include <atomic>

#include "host/ui_language.h"

namespace host {
namespace {

std::atomic<WORD> g_chosen{0};

}  // namespace

WORD UserDefaultUILanguage() {
    const WORD chosen = g_chosen.load();
    return chosen ? chosen : GetUserDefaultUILanguage();
}

void SetUserDefaultUILanguage(WORD language) {
    g_chosen.store(language);
}

}  // namespace host
