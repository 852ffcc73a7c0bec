#include <string_view>

#include "host/native/embedded_resources.h"
#include "host/resource_overrides.h"
#include "host/resources.h"

namespace host {

bool FindResourceBytes(const char16_t* type, int id, const BYTE** data, DWORD* size) {
    if (!type || !data || !size)
        return false;
    bool found = false;
    if (FindResourceOverride(type, id, &found, data, size))
        return found;
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

}  // namespace host
