#include "host/resource_overrides.h"
#include "host/resources.h"

namespace host {
namespace {

// The module this code is linked into (the plug-in DLL or the installer), not the process.
HMODULE CurrentModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&CurrentModule), &module);
    return module;
}

}  // namespace

bool FindResourceBytes(const char16_t* type, int id, const BYTE** data, DWORD* size) {
    if (!type || !data || !size)
        return false;
    bool found = false;
    if (FindResourceOverride(type, id, &found, data, size))
        return found;
    HMODULE module = CurrentModule();
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(type));
    if (!info)
        return false;
    HGLOBAL loaded = LoadResource(module, info);
    if (!loaded)
        return false;
    const void* bytes = LockResource(loaded);
    if (!bytes)
        return false;
    *data = static_cast<const BYTE*>(bytes);
    *size = SizeofResource(module, info);
    return true;
}

}  // namespace host
