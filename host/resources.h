// Resources built into the running module (the model database and the language tables),
// found by type and numeric id as the resource compiler stores them.
#pragma once

#include <string>

#include "host/win32_types.h"

namespace host {

// The bytes of resource `id` of `type` in the current module. They stay valid while the
// module is loaded (natively: until the resource is overridden again). False when the
// module has no such resource or it cannot be loaded.
bool FindResourceBytes(const char16_t* type, int id, const BYTE** data, DWORD* size);

// Natively the resources are embedded at build time, on Windows they are the module's. Tests
// replace one with other bytes or hide it, until ClearResourceOverrides.
void OverrideResource(const char16_t* type, int id, std::string bytes);
void HideResource(const char16_t* type, int id);
void ClearResourceOverrides();

}  // namespace host
