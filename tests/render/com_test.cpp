// The plug-in's COM surface: exports, class factory, identity, the fixed answers of each slot
// and the private DEVMODE part.
#include <cstring>

#include "render/byte_buffer.h"
#include "render/oem_pdev.h"
#include "render/oem_uni2.h"
#include "render_fixture.h"
#include "settings/printer_data.h"

namespace rendertest {
namespace {

constexpr GUID kOtherClass = {
    0xABCE80D7, 0x9F46, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};

IPrintOemUni2* CreatePlugin() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(DllGetClassObject(host::kClsidRenderPlugin, host::kIidClassFactory,
                                reinterpret_cast<void**>(&factory)),
              S_OK);
    IPrintOemUni2* plugin = nullptr;
    EXPECT_EQ(
        factory->CreateInstance(nullptr, host::kIidPrintOemUni2, reinterpret_cast<void**>(&plugin)),
        S_OK);
    factory->Release();
    return plugin;
}

TEST(RenderCom, ClassObjectAndUnloading) {
    host::ClearTrace();
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(kOtherClass, host::kIidClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(host::TraceLines().back(),
              "ERROR BITMAP:  DllGetClassObject:\tClass not available!\r\n");

    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(host::kClsidRenderPlugin, host::kIidClassFactory,
                                reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(DllGetClassObject(host::kClsidRenderPlugin, host::kIidPrintOemUni2, &object),
              E_NOINTERFACE);
    EXPECT_EQ(factory->QueryInterface(host::kIidPrintOemUni2, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    int outer = 0;  // only its presence matters
    EXPECT_EQ(
        factory->CreateInstance(reinterpret_cast<IUnknown*>(&outer), host::kIidUnknown, &object),
        CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    IPrintOemUni2* plugin = nullptr;
    ASSERT_EQ(
        factory->CreateInstance(nullptr, host::kIidPrintOemUni2, reinterpret_cast<void**>(&plugin)),
        S_OK);
    factory->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(plugin->QueryInterface(host::kIidUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(plugin->QueryInterface(host::kIidClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(plugin->Release(), 0u);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(RenderCom, GetInfo) {
    IPrintOemUni2* plugin = CreatePlugin();
    DWORD value = 0, needed = 0;
    EXPECT_EQ(plugin->GetInfo(OEMGI_GETSIGNATURE, &value, 4, &needed), S_OK);
    EXPECT_EQ(value, 0x4D534654u);
    EXPECT_EQ(plugin->GetInfo(OEMGI_GETVERSION, &value, 4, &needed), S_OK);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(needed, 4u);

    needed = 0;
    EXPECT_EQ(plugin->GetInfo(OEMGI_GETVERSION, &value, 3, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(plugin->GetInfo(OEMGI_GETVERSION, nullptr, 4, &needed), E_FAIL);
    EXPECT_EQ(plugin->GetInfo(2, &value, 4, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(plugin->GetInfo(OEMGI_GETSIGNATURE, &value, 4, nullptr), E_FAIL);
    plugin->Release();
}

TEST(RenderCom, FixedAnswersOfTheOtherSlots) {
    IPrintOemUni2* plugin = CreatePlugin();
    for (const char* name :
         {"CommandCallback", "FilterGraphics", "ImageProcessing", "MemoryUsage"}) {
        EXPECT_EQ(plugin->GetImplementedMethod(const_cast<PSTR>(name)), S_OK) << name;
    }
    for (const char* name : {"Compression", "imageprocessing", "", "OutputCharStr"}) {
        EXPECT_EQ(plugin->GetImplementedMethod(const_cast<PSTR>(name)), S_FALSE) << name;
    }
    INT result = 7;
    EXPECT_EQ(plugin->CommandCallback(nullptr, 1, 0, nullptr, &result), S_OK);
    EXPECT_EQ(result, 0);
    OEMMEMORYUSAGE usage{};
    EXPECT_EQ(plugin->MemoryUsage(nullptr, &usage), S_OK);
    EXPECT_EQ(usage.dwFixedMemoryUsage, 0x4000000u);
    EXPECT_EQ(usage.dwPercentMemoryUsage, 100u);
    EXPECT_EQ(plugin->ResetPDEV(nullptr, nullptr), S_OK);
    EXPECT_EQ(plugin->DriverDMS(nullptr, nullptr, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->Compression(nullptr, nullptr, nullptr, 0, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->HalftonePattern(nullptr, nullptr, 0, 0, 0, 0, nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(plugin->DownloadFontHeader(nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->DownloadCharGlyph(nullptr, nullptr, 0, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->TTDownloadMethod(nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->OutputCharStr(nullptr, nullptr, 0, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->SendFontCmd(nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->TextOutAsBitmap(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, 0),
              E_NOTIMPL);
    EXPECT_EQ(plugin->TTYGetInfo(nullptr, 0, nullptr, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->GetPDEVAdjustment(nullptr, 0, nullptr, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->WritePrinter(nullptr, nullptr, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(plugin->PublishDriverInterface(nullptr), E_FAIL);
    plugin->Release();
}

TEST(RenderCom, DevModeOnThePrivatePart) {
    IPrintOemUni2* plugin = CreatePlugin();
    OemPrivateDevmode in{16, 0x4D534654, 1, 55}, out{16, 0x4D534654, 1, 99};
    OEMDMPARAM param{};
    param.pOEMDMIn = &in;
    param.pOEMDMOut = &out;

    EXPECT_EQ(plugin->DevMode(OEMDM_SIZE, &param), S_OK);
    EXPECT_EQ(param.cbBufSize, 16u);
    EXPECT_EQ(plugin->DevMode(OEMDM_DEFAULT, &param), S_OK);
    EXPECT_EQ(out.dwDriverData, 0);
    out.dwDriverData = 3;
    EXPECT_EQ(plugin->DevMode(OEMDM_CONVERT, &param), S_OK);
    EXPECT_EQ(out.dwDriverData, 55);  // copied from the input part
    for (std::int32_t data : {100, -5, 101}) {
        in.dwDriverData = data;
        EXPECT_EQ(plugin->DevMode(OEMDM_MERGE, &param), S_OK);
        EXPECT_EQ(std::memcmp(&out, "\x10\0\0\0TFSM\x01\0\0\0\0\0\0\0", 16), 0) << data;
    }
    in.dwSignature = 0x12345678;
    out.dwDriverData = 9;
    EXPECT_EQ(plugin->DevMode(OEMDM_CONVERT, &param), S_OK);
    EXPECT_EQ(std::memcmp(&out, "\x10\0\0\0TFSM\x01\0\0\0\0\0\0\0", 16), 0);

    host::ClearTrace();
    EXPECT_EQ(plugin->DevMode(5, &param), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(plugin->DevMode(OEMDM_SIZE, nullptr), E_FAIL);
    auto lines = host::TraceLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "ERROR BITMAP:  DevMode() ERROR_INVALID_PARAMETER.\r\n");
    EXPECT_EQ(lines[3], "BITMAP:  \tdwMode = 1, pOemDMParam = 0.\r\n");

    param.pOEMDMOut = nullptr;
    EXPECT_EQ(plugin->DevMode(OEMDM_CONVERT, &param), S_OK);
    EXPECT_EQ(host::TraceLines().back(),
              "ERROR BITMAP:  ConvertOEMDevmode() invalid parameters.\r\n");
    plugin->Release();
}

TEST(RenderCom, PrivatePartCopyStaysInsideTheParts) {
    // Size fields larger than the part must not make the copy run past it.
    struct Guarded {
        OemPrivateDevmode part;
        BYTE guard[16];
    } in{{1000, 0x4D534654, 7, 42}, {}}, out{{1000, 0x4D534654, 1, 0}, {}};
    std::memset(out.guard, 0xAB, sizeof out.guard);
    std::memset(in.guard, 0xCD, sizeof in.guard);
    EXPECT_TRUE(ConvertOEMDevmode(&in.part, &out.part, OemPlugin::Render));
    EXPECT_EQ(out.part.dwSize, 16u);
    EXPECT_EQ(out.part.dwVersion, 1u);
    EXPECT_EQ(out.part.dwDriverData, 42);
    for (BYTE b : out.guard)
        EXPECT_EQ(b, 0xAB);
}

TEST(ByteBufferTest, GrowsToExactlyWhatIsNeeded) {
    ByteBuffer b;
    EXPECT_EQ(b.Capacity(), 1024u);
    EXPECT_EQ(b.Length(), 0u);
    std::vector<BYTE> bytes(1500, 0x41);
    EXPECT_TRUE(b.Append(bytes.data(), 1000));
    EXPECT_EQ(b.Capacity(), 1024u);
    EXPECT_TRUE(b.Append(bytes.data(), 500));
    EXPECT_EQ(b.Capacity(), 1500u);
    EXPECT_TRUE(b.AppendNumber(-42));
    EXPECT_EQ(b.Length(), 1503u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.Data()) + 1500, 3), "-42");
}

TEST(ByteBufferTest, PassingTheCeilingStartsAgain) {
    ByteBuffer b;
    std::vector<BYTE> big(ByteBuffer::kCeiling - 10, 1);
    ASSERT_TRUE(b.Append(big.data(), static_cast<DWORD>(big.size())));
    EXPECT_TRUE(b.Append("0123456789ABC"));  // 13 more would pass the ceiling
    EXPECT_EQ(b.Length(), 13u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.Data()), 13), "0123456789ABC");
    big.resize(ByteBuffer::kCeiling + 1);
    EXPECT_FALSE(b.Append(big.data(), static_cast<DWORD>(big.size())));
    EXPECT_EQ(b.Length(), 0u);
}

TEST_F(RenderTest, BandsAreTakenOnlyAsFarAsTheyReallyReach) {
    AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings());
    Spool spool = WithDevice(u"P", {}, [&](host::SimulatedHost& simHost) {
        simHost.StartDoc(u"doc");
        IPrintOemUni2* plugin = simHost.Plugin();
        DEVOBJ* dev = simHost.DeviceObject();
        // The header claims 100 rows, the image size holds 10.
        std::vector<BYTE> bits(400 * 10, 0);
        BITMAPINFOHEADER header{sizeof header, 400, 100, 1, 8, BI_RGB, 4000, 203, 203, 256, 0};
        IPPARAMS params{sizeof params, {0, 0}, nullptr, TRUE, FALSE};
        PBYTE result = nullptr;
        EXPECT_EQ(plugin->ImageProcessing(dev, bits.data(), &header, nullptr, 3, &params, &result),
                  S_OK);
        EXPECT_EQ(result, reinterpret_cast<PBYTE>(1));
        // A band of another width cannot join this page.
        BITMAPINFOHEADER other = header;
        other.biWidth = 300;
        EXPECT_EQ(plugin->ImageProcessing(dev, bits.data(), &other, nullptr, 3, &params, &result),
                  E_FAIL);
        EXPECT_EQ(result, nullptr);
        simHost.EndDoc();
    });
    EXPECT_NE(spool.Bytes().find("BITMAP 0,0,52,10,1,"), std::string::npos);
}

TEST_F(RenderTest, PageWhosePaletteCannotBeReadIsDroppedAndTheNextPrints) {
    AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings());
    Spool spool = WithDevice(u"P", {}, [&](host::SimulatedHost& simHost) {
        simHost.StartDoc(u"doc");
        auto* pdev = static_cast<OemPdev*>(simHost.DeviceObject()->pdevOEM);
        HPALETTE palette = pdev->hpalDefault;
        pdev->hpalDefault = nullptr;
        simHost.PrintPage(GrayPage(400, 200, Pattern));
        pdev->hpalDefault = palette;
        simHost.PrintPage(GrayPage(400, 20, Pattern));
        simHost.EndDoc();
    });
    std::string bytes = spool.Bytes();
    EXPECT_NE(bytes.find("BITMAP 0,0,52,20,1,"), std::string::npos);
    EXPECT_EQ(bytes.find("BITMAP"), bytes.rfind("BITMAP")) << "only the second page prints";
}

TEST_F(RenderTest, BandsJoinByteForByteEvenAcrossRowBoundaries) {
    AddPrinter(u"P", u"tspl", WorkedExampleSettings(), ThresholdSettings(127));
    Spool spool = WithDevice(u"P", {}, [&](host::SimulatedHost& simHost) {
        simHost.StartDoc(u"doc");
        // Two 32-pixel rows, black then white, split one and a half rows / half a row.
        std::vector<BYTE> first(48, 0), second(16, 255);
        std::fill(first.begin() + 32, first.end(), 255);
        BITMAPINFOHEADER header{sizeof header, 32, 1, 1, 8, BI_RGB, 48, 203, 203, 256, 0};
        IPPARAMS params{sizeof params, {0, 0}, nullptr, TRUE, FALSE};
        PBYTE result = nullptr;
        IPrintOemUni2* plugin = simHost.Plugin();
        ASSERT_EQ(plugin->ImageProcessing(simHost.DeviceObject(), first.data(), &header, nullptr, 3,
                                          &params, &result),
                  S_OK);
        header.biSizeImage = 16;
        ASSERT_EQ(plugin->ImageProcessing(simHost.DeviceObject(), second.data(), &header, nullptr,
                                          3, &params, &result),
                  S_OK);
        simHost.EndDoc();
    });
    EXPECT_NE(spool.Bytes().find(std::string("BITMAP 0,0,4,2,1,") + std::string(4, '\0') +
                                 std::string(4, '\xFF') + "\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace rendertest
