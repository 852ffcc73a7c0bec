// The replaced and hidden resources tests choose, consulted before the module's own.
#include "host/resource_overrides.h"

#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "host/resources.h"

namespace host {
namespace {

using Key = std::pair<std::u16string, int>;

struct Overrides {
    std::mutex lock;
    // An empty optional hides the built-in resource.
    std::map<Key, std::optional<std::string>> entries;
};

Overrides& TheOverrides() {
    static Overrides overrides;
    return overrides;
}

}  // namespace

bool FindResourceOverride(const char16_t* type, int id, bool* found, const BYTE** data,
                          DWORD* size) {
    Overrides& o = TheOverrides();
    std::lock_guard<std::mutex> guard(o.lock);
    auto it = o.entries.find(Key(type, id));
    if (it == o.entries.end())
        return false;
    *found = it->second.has_value();
    if (*found) {
        *data = reinterpret_cast<const BYTE*>(it->second->data());
        *size = static_cast<DWORD>(it->second->size());
    }
    return true;
}

void OverrideResource(const char16_t* type, int id, std::string bytes) {
    Overrides& o = TheOverrides();
    std::lock_guard<std::mutex> guard(o.lock);
    o.entries[Key(type, id)] = std::move(bytes);
}

void HideResource(const char16_t* type, int id) {
    Overrides& o = TheOverrides();
    std::lock_guard<std::mutex> guard(o.lock);
    o.entries[Key(type, id)] = std::nullopt;
}

void ClearResourceOverrides() {
    Overrides& o = TheOverrides();
    std::lock_guard<std::mutex> guard(o.lock);
    o.entries.clear();
}

}  // namespace host
