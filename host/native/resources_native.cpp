#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "host/native/embedded_resources.h"
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

bool FindResourceBytes(const char16_t* type, int id, const BYTE** data, DWORD* size) {
    if (!type || !data || !size)
        return false;
    {
        Overrides& o = TheOverrides();
        std::lock_guard<std::mutex> guard(o.lock);
        auto it = o.entries.find(Key(type, id));
        if (it != o.entries.end()) {
            if (!it->second)
                return false;
            *data = reinterpret_cast<const BYTE*>(it->second->data());
            *size = static_cast<DWORD>(it->second->size());
            return true;
        }
    }
    const std::u16string_view wanted(type);
    for (std::size_t i = 0; i < detail::kEmbeddedResourceCount; ++i) {
        const detail::EmbeddedResource& r = detail::kEmbeddedResources[i];
        if (r.id == id && wanted == r.type) {
            *data = r.data;
            *size = r.size;
            return true;
        }
    }
    return false;
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
