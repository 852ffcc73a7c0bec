// The table of resources embedded into the native build; the build generates its
// definition from the files under resources/.
#pragma once

#include <cstddef>

#include "host/win32_types.h"

namespace host::detail {

struct EmbeddedResource {
    const char16_t* type;
    int id;
    const BYTE* data;
    DWORD size;
};

extern const EmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;

}  // namespace host::detail
