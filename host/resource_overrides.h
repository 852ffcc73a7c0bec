// What both platforms' resource look-ups consult first: the resources tests replaced or hid.
#pragma once

#include "host/win32_types.h"

namespace host {

// True when a test chose this resource; then *found tells whether it is visible, with its
// bytes in *data and *size.
bool FindResourceOverride(const char16_t* type, int id, bool* found, const BYTE** data,
                          DWORD* size);

}  // namespace host
