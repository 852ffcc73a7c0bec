// ZendorPrtUNI.dll as the universal driver loads it: LoadLibrary, its two exports, the class
// object's refusals, the unload answers, and every slot of the plug-in object called through
// the object's table across the DLL boundary.
#include <gtest/gtest.h>

#include <cstring>

#include "host/oem_uni.h"
#include "host/trace.h"
#include "tests/win/test_util.h"

namespace {

constexpr GUID kConfigurationClass = {
    0xABCE80D7, 0x9F46, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
constexpr DWORD kSignature = 0x4D534654;

using GetClassObjectFn = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDMETHODCALLTYPE*)();

template <class Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Calls slot `slot` of a COM object's table with the method's own parameters.
template <class R, class... Args>
R CallSlot(void* object, int slot, Args... args) {
    using Fn = R(STDMETHODCALLTYPE*)(void*, Args...);
    void** table = *static_cast<void***>(object);
    Fn fn;
    std::memcpy(&fn, &table[slot], sizeof fn);
    return fn(object, args...);
}

class PluginDll : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_module = LoadLibraryW((ProgramFolder() + L"ZendorPrtUNI.dll").c_str());
        ASSERT_NE(s_module, nullptr) << "LoadLibraryW failed: " << GetLastError();
        s_getClassObject = Export<GetClassObjectFn>(s_module, "DllGetClassObject");
        s_canUnloadNow = Export<CanUnloadNowFn>(s_module, "DllCanUnloadNow");
    }
    static void TearDownTestSuite() {
        if (s_module)
            FreeLibrary(s_module);
    }
    void SetUp() override {
        ASSERT_NE(s_getClassObject, nullptr);
        ASSERT_NE(s_canUnloadNow, nullptr);
    }

    IClassFactory* Factory() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(s_getClassObject(host::kClsidRenderPlugin, IID_IClassFactory,
                                   reinterpret_cast<void**>(&factory)),
                  S_OK);
        return factory;
    }

    static HMODULE s_module;
    static GetClassObjectFn s_getClassObject;
    static CanUnloadNowFn s_canUnloadNow;
};

HMODULE PluginDll::s_module = nullptr;
GetClassObjectFn PluginDll::s_getClassObject = nullptr;
CanUnloadNowFn PluginDll::s_canUnloadNow = nullptr;

TEST_F(PluginDll, ClassObjectOnlyForTheRenderClass) {
    host::ClearTrace();
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(s_getClassObject(kConfigurationClass, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    // The DLL's own debug output, caught in this process.
    ASSERT_FALSE(host::TraceLines().empty());
    EXPECT_EQ(host::TraceLines().back(),
              "ERROR BITMAP:  DllGetClassObject:\tClass not available!\r\n");

    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(s_getClassObject(host::kClsidRenderPlugin, host::kIidPrintOemUni2, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(s_getClassObject(host::kClsidRenderPlugin, IID_IUnknown, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();
}

TEST_F(PluginDll, UnloadsOnlyWithoutObjectsOrLocks) {
    EXPECT_EQ(s_canUnloadNow(), S_OK);
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(s_canUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(s_canUnloadNow(), S_OK);

    IUnknown* plugin = nullptr;
    ASSERT_EQ(
        factory->CreateInstance(nullptr, host::kIidPrintOemUni2, reinterpret_cast<void**>(&plugin)),
        S_OK);
    factory->Release();
    EXPECT_EQ(s_canUnloadNow(), S_FALSE);
    plugin->AddRef();
    plugin->Release();
    EXPECT_EQ(s_canUnloadNow(), S_FALSE);
    plugin->Release();
    EXPECT_EQ(s_canUnloadNow(), S_OK);
}

// Each slot answers as its own method does, so a method in the wrong slot shows.
TEST_F(PluginDll, EverySlotOfThePluginAnswersAsItsMethod) {
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    void* p = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, host::kIidPrintOemUni2, &p), S_OK);
    factory->Release();

    void* same = nullptr;
    EXPECT_EQ((CallSlot<HRESULT, const IID*, void**>(p, 0, &host::kIidPrintOemUni2, &same)), S_OK);
    EXPECT_EQ(same, p);
    EXPECT_EQ(CallSlot<ULONG>(p, 1), 3u);  // AddRef: creation, QueryInterface, this
    EXPECT_EQ(CallSlot<ULONG>(p, 2), 2u);
    EXPECT_EQ(CallSlot<ULONG>(p, 2), 1u);

    DWORD value = 0, needed = 0;
    EXPECT_EQ((CallSlot<HRESULT, DWORD, PVOID, DWORD, PDWORD>(p, 3, OEMGI_GETSIGNATURE, &value,
                                                              sizeof value, &needed)),
              S_OK);
    EXPECT_EQ(value, kSignature);
    EXPECT_EQ((CallSlot<HRESULT, DWORD, PVOID, DWORD, PDWORD>(p, 3, OEMGI_GETVERSION, &value, 3,
                                                              &needed)),
              E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, 4u);

    OEMDMPARAM param{};
    param.cbSize = sizeof param;
    EXPECT_EQ((CallSlot<HRESULT, DWORD, POEMDMPARAM>(p, 4, OEMDM_SIZE, &param)), S_OK);
    EXPECT_EQ(param.cbBufSize, 16u);

    DRVENABLEDATA hooks{};
    EXPECT_EQ(
        (CallSlot<HRESULT, DWORD, DWORD, DRVENABLEDATA*>(p, 5, 0x00010000, sizeof hooks, &hooks)),
        S_OK);
    EXPECT_EQ(hooks.iDriverVersion, 0x00010000u);
    EXPECT_EQ(hooks.c, 5u);
    EXPECT_EQ(CallSlot<HRESULT>(p, 6), S_OK);  // DisableDriver

    GDIINFO gdi{};
    gdi.cBitsPixel = 8;
    DEVINFO devInfo{};
    DEVOBJ dev{};
    dev.dwSize = sizeof dev;
    PDEVOEM pdev = nullptr;
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, PWSTR, ULONG, HSURF*, ULONG, GDIINFO*, ULONG, DEVINFO*,
                        DRVENABLEDATA*, PDEVOEM*>(p, 7, &dev, nullptr, 0, nullptr, sizeof gdi, &gdi,
                                                  sizeof devInfo, &devInfo, nullptr, &pdev)),
              S_OK);
    ASSERT_NE(pdev, nullptr);
    dev.pdevOEM = pdev;
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ>(p, 8, &dev)), S_OK);  // DisablePDEV
    EXPECT_EQ(dev.pdevOEM, nullptr);
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, PDEVOBJ>(p, 9, nullptr, nullptr)), S_OK);
    EXPECT_EQ((CallSlot<HRESULT, IUnknown*>(p, 10, nullptr)), E_FAIL);

    char implemented[] = "ImageProcessing";
    char other[] = "WritePrinter";
    EXPECT_EQ((CallSlot<HRESULT, PSTR>(p, 11, implemented)), S_OK);
    EXPECT_EQ((CallSlot<HRESULT, PSTR>(p, 11, other)), S_FALSE);
    EXPECT_EQ((CallSlot<HRESULT, PVOID, PVOID, DWORD, PDWORD>(p, 12, nullptr, nullptr, 0, nullptr)),
              E_NOTIMPL);
    INT result = 7;
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, DWORD, DWORD, PDWORD, INT*>(p, 13, nullptr, 0, 0, nullptr,
                                                                      &result)),
              S_OK);
    EXPECT_EQ(result, 0);
    PBYTE band = reinterpret_cast<PBYTE>(1);
    EXPECT_EQ(
        (CallSlot<HRESULT, PDEVOBJ, PBYTE, PBITMAPINFOHEADER, PBYTE, DWORD, PIPPARAMS, PBYTE*>(
            p, 14, nullptr, nullptr, nullptr, nullptr, 3, nullptr, &band)),
        E_FAIL);
    EXPECT_EQ(band, nullptr);
    BYTE bytes[2] = {};
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, PBYTE, DWORD>(p, 15, &dev, bytes, 2)), S_FALSE);
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*>(
                  p, 16, nullptr, nullptr, nullptr, 0, 0, nullptr)),
              E_NOTIMPL);
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE, DWORD>(
                  p, 17, nullptr, nullptr, 0, 0, 0, 0, nullptr, 0)),
              E_NOTIMPL);
    OEMMEMORYUSAGE usage{};
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, POEMMEMORYUSAGE>(p, 18, nullptr, &usage)), S_OK);
    EXPECT_EQ(usage.dwFixedMemoryUsage, 0x4000000u);
    EXPECT_EQ(usage.dwPercentMemoryUsage, 100u);

    // DownloadFontHeader to WritePrinter all refuse.
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, DWORD*>(p, 19, nullptr, nullptr, nullptr)),
              E_NOTIMPL);
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, HGLYPH, PDWORD, DWORD*>(
                  p, 20, nullptr, nullptr, 0, nullptr, nullptr)),
              E_NOTIMPL);
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, DWORD*>(p, 21, nullptr, nullptr, nullptr)),
              E_NOTIMPL);
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, DWORD, DWORD, PVOID>(p, 22, nullptr, nullptr,
                                                                            0, 0, nullptr)),
              E_NOTIMPL);
    EXPECT_EQ(
        (CallSlot<HRESULT, PDEVOBJ, UNIFONTOBJ*, FINVOCATION*>(p, 23, nullptr, nullptr, nullptr)),
        E_NOTIMPL);
    EXPECT_EQ((CallSlot<HRESULT, SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*,
                        BRUSHOBJ*, POINTL*, MIX>(p, 24, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                 nullptr, nullptr, nullptr, nullptr, 0)),
              E_NOTIMPL);
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, DWORD, PVOID, DWORD, DWORD*>(p, 25, nullptr, 0, nullptr,
                                                                       0, nullptr)),
              E_NOTIMPL);
    EXPECT_EQ((CallSlot<HRESULT, PDEVOBJ, DWORD, PVOID, DWORD, BOOL*>(p, 26, nullptr, 0, nullptr, 0,
                                                                      nullptr)),
              E_NOTIMPL);
    EXPECT_EQ(
        (CallSlot<HRESULT, PDEVOBJ, PVOID, DWORD, PDWORD>(p, 27, nullptr, nullptr, 0, nullptr)),
        E_NOTIMPL);

    EXPECT_EQ(CallSlot<ULONG>(p, 2), 0u);  // the last Release frees the object
    EXPECT_EQ(s_canUnloadNow(), S_OK);
}

}  // namespace
