#include "host/memory_spooler.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace host {
namespace {

using Text16 = std::u16string;
using View16 = std::u16string_view;

constexpr DWORD kDeleteAccess = 0x00010000;  // the standard DELETE right
constexpr DWORD kGenericAll = 0x10000000;
constexpr DWORD kGenericRights = 0xF0000000;
constexpr DWORD kDeleteFlagsKnown =
    DPD_DELETE_UNUSED_FILES | DPD_DELETE_SPECIFIC_VERSION | DPD_DELETE_ALL_FILES;
constexpr DWORD kMinDevModeSize = offsetof(DEVMODEW, dmFields) + sizeof(DWORD);
constexpr const char16_t* kPrinterDriverData = u"PrinterDriverData";
constexpr const char16_t* kDsDriver = u"DsDriver";
constexpr const char16_t* kPrintLanguage = u"printLanguage";
constexpr const char16_t* kDriverRoot = u"C:\\Windows\\System32\\spool\\drivers\\";
constexpr const char16_t* kPrintProcessor = u"WinPrint";
constexpr const char16_t* kMachineName = u"\\\\LOCALHOST";
constexpr const char16_t* kUserName = u"User";

const char* const kOperations[] = {
    "OpenPrinterW",
    "ClosePrinter",
    "GetPrinterW",
    "SetPrinterW",
    "GetPrinterDriverW",
    "GetPrinterDataExW",
    "SetPrinterDataW",
    "SetPrinterDataExW",
    "GetFormW",
    "SetFormW",
    "AddFormW",
    "DeleteFormW",
    "DeviceCapabilitiesW",
    "EnumPrintersW",
    "EnumPrinterDriversW",
    "EnumPortsW",
    "GetPrinterDriverDirectoryW",
    "AddPrinterDriverW",
    "AddPrinterDriverExW",
    "DeletePrinterDriverExW",
    "DeletePrinterDriverPackageW",
    "AddPrinterW",
    "DeletePrinter",
    "SetDefaultPrinterW",
    "GetDefaultPrinterW",
    "DocumentPropertiesW",
    "StartDocPrinterW",
    "WritePrinter",
    "EndDocPrinter",
    "EnumJobsW",
};

struct EnvironmentRow {
    const char16_t* name;
    const char16_t* folder;
};
constexpr EnvironmentRow kEnvironments[] = {
    {u"Windows x64", u"x64"},
    {u"Windows NT x86", u"W32X86"},
};

// The data types the one print processor takes.
constexpr const char16_t* kDatatypes[] = {
    u"RAW",          u"RAW [FF appended]", u"RAW [FF auto]", u"NT EMF 1.003", u"NT EMF 1.006",
    u"NT EMF 1.007", u"NT EMF 1.008",      u"TEXT",          u"XPS2GDI",
};

struct BuiltinForm {
    const char16_t* name;
    LONG width;  // thousandths of a millimetre
    LONG height;
};
constexpr BuiltinForm kBuiltinForms[] = {
    {u"Letter", 215900, 279400}, {u"Legal", 215900, 355600}, {u"A3", 297000, 420000},
    {u"A4", 210000, 297000},     {u"A5", 148000, 210000},    {u"A6", 105000, 148000},
};

constexpr const char16_t* kSeedPorts[] = {u"LPT1:", u"LPT2:", u"LPT3:", u"COM1:",
                                          u"COM2:", u"COM3:", u"COM4:", u"FILE:"};

// The fields a DEVMODE merge takes from the input, by their field-mask bit.
struct DevModeField {
    DWORD bit;
    std::size_t offset;
    std::size_t size;
};
#define ZD_FIELD(bit, member) \
    { bit, offsetof(DEVMODEW, member), sizeof(DEVMODEW::member) }
const DevModeField kMergedFields[] = {
    ZD_FIELD(DM_ORIENTATION, dmOrientation),
    ZD_FIELD(DM_PAPERSIZE, dmPaperSize),
    ZD_FIELD(DM_PAPERLENGTH, dmPaperLength),
    ZD_FIELD(DM_PAPERWIDTH, dmPaperWidth),
    ZD_FIELD(DM_SCALE, dmScale),
    ZD_FIELD(DM_COPIES, dmCopies),
    ZD_FIELD(DM_DEFAULTSOURCE, dmDefaultSource),
    ZD_FIELD(DM_PRINTQUALITY, dmPrintQuality),
    ZD_FIELD(DM_COLOR, dmColor),
    ZD_FIELD(DM_DUPLEX, dmDuplex),
    ZD_FIELD(DM_YRESOLUTION, dmYResolution),
    ZD_FIELD(DM_TTOPTION, dmTTOption),
    ZD_FIELD(DM_COLLATE, dmCollate),
    ZD_FIELD(DM_FORMNAME, dmFormName),
    ZD_FIELD(DM_NUP, dmNup),
    ZD_FIELD(DM_ICMMETHOD, dmICMMethod),
    ZD_FIELD(DM_ICMINTENT, dmICMIntent),
    ZD_FIELD(DM_MEDIATYPE, dmMediaType),
    ZD_FIELD(DM_DITHERTYPE, dmDitherType),
};
#undef ZD_FIELD

// Texts cross the seam as char16_t; on Windows the structures carry wchar_t of the same size.
const char16_t* In(const WCHAR* text) {
    return reinterpret_cast<const char16_t*>(text);
}
LPWSTR Out(char16_t* text) {
    return reinterpret_cast<LPWSTR>(text);
}
Text16 Str(const char16_t* text) {
    return text ? Text16(text) : Text16();
}

// Spooler names compare without regard to case; only ASCII letters fold.
char16_t Fold(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
Text16 Folded(View16 text) {
    Text16 folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), Fold);
    return folded;
}
bool Same(View16 a, View16 b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}

const EnvironmentRow* FindEnvironment(View16 name) {
    for (const EnvironmentRow& row : kEnvironments) {
        if (Same(row.name, name))
            return &row;
    }
    return nullptr;
}

bool IsLocalServer(const char16_t* server) {
    return server == nullptr || *server == u'\0';
}

bool IsKnownDatatype(View16 datatype) {
    return std::any_of(std::begin(kDatatypes), std::end(kDatatypes),
                       [&](const char16_t* known) { return Same(known, datatype); });
}

bool IsValidPrinterName(View16 name) {
    return !name.empty() && name.find_first_of(u",\\") == View16::npos;
}

std::vector<Text16> SplitList(View16 list, char16_t separator) {
    std::vector<Text16> items;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(separator, start);
        if (end == View16::npos)
            end = list.size();
        items.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// A string list as the spooler keeps it: strings each ended by NUL, and one more NUL.
std::vector<Text16> ReadMultiSz(const char16_t* list) {
    std::vector<Text16> items;
    if (!list)
        return items;
    while (*list) {
        Text16 item(list);
        list += item.size() + 1;
        items.push_back(std::move(item));
    }
    return items;
}

Text16 BaseName(View16 path) {
    std::size_t slash = path.find_last_of(u"\\/");
    return Text16(slash == View16::npos ? path : path.substr(slash + 1));
}

void CopyUnits(void* target, std::size_t units, View16 text) {
    std::size_t n = std::min(units - 1, text.size());
    std::memset(target, 0, units * sizeof(char16_t));
    std::memcpy(target, text.data(), n * sizeof(char16_t));
}

template <class T>
T ReadStruct(const void* source) {
    T value;
    std::memcpy(&value, source, sizeof value);
    return value;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

DWORD Status(DWORD error) {
    if (error != ERROR_SUCCESS)
        SetLastError(error);
    return error;
}

DWORD NormalAccess(DWORD access) {
    if (access & kGenericAll)
        return PRINTER_ALL_ACCESS;
    if (access & kGenericRights)
        access = (access & ~kGenericRights) | PRINTER_ACCESS_USE;
    return access == 0 ? PRINTER_ACCESS_USE : access;
}

// Lays out one answer the way the spooler returns it: the fixed structures at the start of
// the caller's buffer, then every string and DEVMODE they point to. A packer without a base
// only measures, so the same fill code gives the needed size and the packed answer.
class Packer {
  public:
    Packer(BYTE* base, std::size_t fixed) : m_base(base), m_offset(fixed) {}

    LPWSTR Text(View16 text) {
        auto* place = static_cast<char16_t*>(Reserve((text.size() + 1) * 2, alignof(char16_t)));
        if (!place)
            return nullptr;
        std::memcpy(place, text.data(), text.size() * 2);
        place[text.size()] = u'\0';
        return Out(place);
    }
    LPWSTR TextOrNull(View16 text) { return text.empty() ? nullptr : Text(text); }
    LPWSTR List(const std::vector<Text16>& items) {
        if (items.empty())
            return nullptr;
        Text16 joined;
        for (const Text16& item : items) {
            joined += item;
            joined += u'\0';
        }
        auto* place = static_cast<char16_t*>(Reserve((joined.size() + 1) * 2, alignof(char16_t)));
        if (!place)
            return nullptr;
        std::memcpy(place, joined.data(), joined.size() * 2);
        place[joined.size()] = u'\0';
        return Out(place);
    }
    DEVMODEW* DevMode(const std::vector<BYTE>& bytes) {
        if (bytes.empty())
            return nullptr;
        void* place = Reserve(bytes.size(), 8);
        if (!place)
            return nullptr;
        std::memcpy(place, bytes.data(), bytes.size());
        return static_cast<DEVMODEW*>(place);
    }
    std::size_t Used() const { return m_offset; }

  private:
    void* Reserve(std::size_t bytes, std::size_t align) {
        m_offset = (m_offset + align - 1) / align * align;
        void* place = m_base ? m_base + m_offset : nullptr;
        m_offset += bytes;
        return place;
    }

    BYTE* m_base;
    std::size_t m_offset;
};

// Packs one structure per item; ERROR_INSUFFICIENT_BUFFER with *needed when it does not fit.
template <class Info, class Item, class Fill>
DWORD Pack(const std::vector<Item>& items, Fill fill, BYTE* buffer, DWORD size, DWORD* needed) {
    const std::size_t fixed = sizeof(Info) * items.size();
    Packer measure(nullptr, fixed);
    for (const Item& item : items) {
        Info info{};
        fill(measure, info, item);
    }
    if (measure.Used() > 0xFFFFFFFFu)
        return ERROR_NOT_ENOUGH_MEMORY;
    *needed = static_cast<DWORD>(measure.Used());
    if (*needed > size)
        return ERROR_INSUFFICIENT_BUFFER;
    if (!buffer && *needed > 0)
        return ERROR_INVALID_USER_BUFFER;
    Packer writer(buffer, fixed);
    for (std::size_t i = 0; i < items.size(); ++i) {
        Info info{};
        fill(writer, info, items[i]);
        std::memcpy(buffer + i * sizeof(Info), &info, sizeof info);
    }
    return ERROR_SUCCESS;
}

struct Value {
    DWORD type;
    std::vector<BYTE> bytes;
};
using ValueMap = std::map<Text16, Value>;  // by folded value name

struct Driver {
    DWORD version = 3;
    Text16 name, environment, driverPath, dataFile, configFile, helpFile, monitor, defaultDatatype;
    std::vector<Text16> dependentFiles;
    // Level-8 details.
    std::vector<Text16> previousNames;
    FILETIME date{};
    DWORDLONG driverVersion = 0;
    Text16 mfgName, oemUrl, hardwareId, provider, printProcessor, vendorSetup, infPath;
    std::vector<Text16> colorProfiles, coreDependencies;
    DWORD attributes = 0;
    FILETIME minInboxDate{};
    DWORDLONG minInboxVersion = 0;
    // What the printing system publishes for the driver's printers.
    Text16 language;
};

struct Package {
    Text16 infPath;
    Text16 environment;
};

struct Port {
    Text16 name, monitor, description;
    DWORD type;
};

struct Form {
    Text16 name;
    DWORD flags;
    SIZEL size;
    RECTL area;
};

struct Job {
    DWORD id;
    DWORD printer;
    Text16 document, datatype, outputFile;
    std::vector<BYTE> bytes;
    bool spooling;
};

bool IsValidForm(const FORM_INFO_1W& form) {
    const RECTL& a = form.ImageableArea;
    return form.Size.cx > 0 && form.Size.cy > 0 && a.left >= 0 && a.top >= 0 && a.left <= a.right &&
           a.top <= a.bottom && a.right <= form.Size.cx && a.bottom <= form.Size.cy;
}

// A DEVMODE given by a caller, public part and driver extra, or nothing when its size field
// is not one a DEVMODE can have.
std::optional<std::vector<BYTE>> ReadDevMode(const DEVMODEW* devmode) {
    WORD size = 0;
    WORD extra = 0;
    std::memcpy(&size, reinterpret_cast<const BYTE*>(devmode) + offsetof(DEVMODEW, dmSize),
                sizeof size);
    std::memcpy(&extra, reinterpret_cast<const BYTE*>(devmode) + offsetof(DEVMODEW, dmDriverExtra),
                sizeof extra);
    if (size < kMinDevModeSize || size > sizeof(DEVMODEW))
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const BYTE*>(devmode);
    return std::vector<BYTE>(bytes, bytes + size + extra);
}

std::vector<PaperInfo> DefaultPapers() {
    return {{DMPAPER_LETTER, u"Letter", {2159, 2794}}, {DMPAPER_A4, u"A4", {2100, 2970}}};
}

std::vector<BYTE> MakeDevMode(View16 printer, const std::vector<PaperInfo>& papers) {
    DEVMODEW dm{};
    CopyUnits(dm.dmDeviceName, CCHDEVICENAME, printer);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmDriverVersion = 0x0001;
    dm.dmSize = sizeof(DEVMODEW);
    dm.dmDriverExtra = 0;
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_SCALE | DM_COPIES | DM_FORMNAME;
    dm.dmOrientation = DMORIENT_PORTRAIT;
    if (!papers.empty()) {
        dm.dmPaperSize = static_cast<SHORT>(papers.front().id);
        dm.dmPaperWidth = static_cast<SHORT>(papers.front().size.x);
        dm.dmPaperLength = static_cast<SHORT>(papers.front().size.y);
        CopyUnits(dm.dmFormName, CCHFORMNAME, papers.front().name);
    }
    dm.dmScale = 100;
    dm.dmCopies = 1;
    const auto* bytes = reinterpret_cast<const BYTE*>(&dm);
    return std::vector<BYTE>(bytes, bytes + sizeof dm);
}

template <class T>
T ReadField(const std::vector<BYTE>& devmode, std::size_t offset) {
    T value{};
    if (offset + sizeof value <= devmode.size())
        std::memcpy(&value, devmode.data() + offset, sizeof value);
    return value;
}

// The printer's default DEVMODE with the fields the input names taken from the input; the
// private part comes along when both come from the same driver version with the same size.
std::vector<BYTE> MergeDevMode(std::vector<BYTE> result, const std::vector<BYTE>& input) {
    const WORD inSize = ReadField<WORD>(input, offsetof(DEVMODEW, dmSize));
    const WORD inExtra = ReadField<WORD>(input, offsetof(DEVMODEW, dmDriverExtra));
    const DWORD inFields = ReadField<DWORD>(input, offsetof(DEVMODEW, dmFields));
    const WORD outSize = ReadField<WORD>(result, offsetof(DEVMODEW, dmSize));
    const WORD outExtra = ReadField<WORD>(result, offsetof(DEVMODEW, dmDriverExtra));
    DWORD outFields = ReadField<DWORD>(result, offsetof(DEVMODEW, dmFields));
    for (const DevModeField& field : kMergedFields) {
        if (!(inFields & field.bit) || field.offset + field.size > inSize ||
            field.offset + field.size > outSize) {
            continue;
        }
        std::memcpy(result.data() + field.offset, input.data() + field.offset, field.size);
        outFields |= field.bit;
    }
    std::memcpy(result.data() + offsetof(DEVMODEW, dmFields), &outFields, sizeof outFields);
    const bool sameDriver = ReadField<WORD>(input, offsetof(DEVMODEW, dmDriverVersion)) ==
                            ReadField<WORD>(result, offsetof(DEVMODEW, dmDriverVersion));
    if (sameDriver && inExtra == outExtra && inExtra > 0)
        std::memcpy(result.data() + outSize, input.data() + inSize, inExtra);
    return result;
}

std::vector<BYTE> MultiSzBytes(View16 text) {
    Text16 list(text);
    list += u'\0';
    list += u'\0';
    const auto* bytes = reinterpret_cast<const BYTE*>(list.data());
    return std::vector<BYTE>(bytes, bytes + list.size() * 2);
}

// Where the spooler keeps a driver's file: its version-3 folder of the environment.
Text16 DriverFile(const Driver& d, View16 file) {
    if (file.empty())
        return Text16();
    const EnvironmentRow* env = FindEnvironment(d.environment);
    return Text16(kDriverRoot) + env->folder + u"\\3\\" + BaseName(file);
}

std::vector<Text16> DriverFiles(const Driver& d, const std::vector<Text16>& files) {
    std::vector<Text16> paths;
    for (const Text16& f : files)
        paths.push_back(DriverFile(d, f));
    return paths;
}

template <class Info>
void FillDriverBase(Packer& k, Info& info, const Driver& d) {
    info.cVersion = d.version;
    info.pName = k.Text(d.name);
    info.pEnvironment = k.Text(d.environment);
    info.pDriverPath = k.Text(DriverFile(d, d.driverPath));
    info.pDataFile = k.Text(DriverFile(d, d.dataFile));
    info.pConfigFile = k.Text(DriverFile(d, d.configFile));
}

template <class Info>
void FillDriver3(Packer& k, Info& info, const Driver& d) {
    FillDriverBase(k, info, d);
    info.pHelpFile = k.TextOrNull(DriverFile(d, d.helpFile));
    info.pDependentFiles = k.List(DriverFiles(d, d.dependentFiles));
    info.pMonitorName = k.TextOrNull(d.monitor);
    info.pDefaultDataType = k.TextOrNull(d.defaultDatatype);
}

void FillDriver8(Packer& k, DRIVER_INFO_8W& info, const Driver& d) {
    FillDriver3(k, info, d);
    info.pszzPreviousNames = k.List(d.previousNames);
    info.ftDriverDate = d.date;
    info.dwlDriverVersion = d.driverVersion;
    info.pszMfgName = k.TextOrNull(d.mfgName);
    info.pszOEMUrl = k.TextOrNull(d.oemUrl);
    info.pszHardwareID = k.TextOrNull(d.hardwareId);
    info.pszProvider = k.TextOrNull(d.provider);
    info.pszPrintProcessor = k.TextOrNull(d.printProcessor);
    info.pszVendorSetup = k.TextOrNull(d.vendorSetup);
    info.pszzColorProfiles = k.List(d.colorProfiles);
    info.pszInfPath = k.TextOrNull(d.infPath);
    info.dwPrinterDriverAttributes = d.attributes;
    info.pszzCoreDriverDependencies = k.List(d.coreDependencies);
    info.ftMinInboxDriverVerDate = d.minInboxDate;
    info.dwlMinInboxDriverVerVersion = d.minInboxVersion;
}

DWORD PackDrivers(DWORD level, const std::vector<const Driver*>& drivers, BYTE* buffer, DWORD size,
                  DWORD* needed) {
    switch (level) {
        case 1:
            return Pack<DRIVER_INFO_1W>(
                drivers,
                [](Packer& k, DRIVER_INFO_1W& info, const Driver* d) {
                    info.pName = k.Text(d->name);
                },
                buffer, size, needed);
        case 2:
            return Pack<DRIVER_INFO_2W>(
                drivers,
                [](Packer& k, DRIVER_INFO_2W& info, const Driver* d) {
                    FillDriverBase(k, info, *d);
                },
                buffer, size, needed);
        case 3:
            return Pack<DRIVER_INFO_3W>(
                drivers,
                [](Packer& k, DRIVER_INFO_3W& info, const Driver* d) { FillDriver3(k, info, *d); },
                buffer, size, needed);
        case 8:
            return Pack<DRIVER_INFO_8W>(
                drivers,
                [](Packer& k, DRIVER_INFO_8W& info, const Driver* d) { FillDriver8(k, info, *d); },
                buffer, size, needed);
        default:
            return ERROR_INVALID_LEVEL;
    }
}

// The name a driver description carries, for matching faults.
Text16 DriverNameOf(DWORD level, const BYTE* info) {
    if (!info || (level != 2 && level != 3 && level != 8))
        return Text16();
    return Str(In(ReadStruct<DRIVER_INFO_2W>(info).pName));
}

// Reads a driver description of level 2, 3 or 8 into a record.
DWORD ReadDriverInfo(DWORD level, const BYTE* info, Driver& d) {
    if (level != 2 && level != 3 && level != 8)
        return ERROR_INVALID_LEVEL;
    if (!info)
        return ERROR_INVALID_PARAMETER;
    // Levels 2, 3 and 8 begin alike, so the level-8 layout is read only as far as the level.
    DRIVER_INFO_8W full{};
    const std::size_t size = level == 2   ? sizeof(DRIVER_INFO_2W)
                             : level == 3 ? sizeof(DRIVER_INFO_3W)
                                          : sizeof(DRIVER_INFO_8W);
    std::memcpy(&full, info, size);
    d.version = full.cVersion;
    d.name = Str(In(full.pName));
    d.environment = Str(In(full.pEnvironment));
    d.driverPath = Str(In(full.pDriverPath));
    d.dataFile = Str(In(full.pDataFile));
    d.configFile = Str(In(full.pConfigFile));
    if (d.name.empty() || d.driverPath.empty() || d.dataFile.empty() || d.configFile.empty())
        return ERROR_INVALID_PARAMETER;
    if (level == 2)
        return ERROR_SUCCESS;
    d.helpFile = Str(In(full.pHelpFile));
    d.dependentFiles = ReadMultiSz(In(full.pDependentFiles));
    d.monitor = Str(In(full.pMonitorName));
    d.defaultDatatype = Str(In(full.pDefaultDataType));
    if (level == 3)
        return ERROR_SUCCESS;
    d.previousNames = ReadMultiSz(In(full.pszzPreviousNames));
    d.date = full.ftDriverDate;
    d.driverVersion = full.dwlDriverVersion;
    d.mfgName = Str(In(full.pszMfgName));
    d.oemUrl = Str(In(full.pszOEMUrl));
    d.hardwareId = Str(In(full.pszHardwareID));
    d.provider = Str(In(full.pszProvider));
    d.printProcessor = Str(In(full.pszPrintProcessor));
    d.vendorSetup = Str(In(full.pszVendorSetup));
    d.colorProfiles = ReadMultiSz(In(full.pszzColorProfiles));
    d.infPath = Str(In(full.pszInfPath));
    d.attributes = full.dwPrinterDriverAttributes;
    d.coreDependencies = ReadMultiSz(In(full.pszzCoreDriverDependencies));
    d.minInboxDate = full.ftMinInboxDriverVerDate;
    d.minInboxVersion = full.dwlMinInboxDriverVerVersion;
    return ERROR_SUCCESS;
}

}  // namespace

struct MemorySpooler::Printer {
    DWORD id = 0;
    Text16 name, share, port, driver, comment, location, sepFile, printProcessor, datatype,
        parameters;
    std::vector<BYTE> devmode;
    DWORD attributes = 0, priority = 0, defaultPriority = 0, startTime = 0, untilTime = 0;
    DWORD status = 0;
    bool published = false;
    std::vector<PaperInfo> papers;
    std::map<Text16, ValueMap> data;  // by folded key
};

struct MemorySpooler::Handle {
    bool server = false;
    DWORD printer = 0;
    DWORD access = 0;
    DWORD job = 0;  // the document started on this handle, 0: none
};

struct MemorySpooler::State {
    Text16 localEnvironment = kX64;
    std::vector<Printer> printers;
    std::vector<Driver> drivers;
    std::vector<Package> packages;
    std::vector<Port> ports;
    std::vector<Form> forms;
    std::vector<Job> jobs;
    std::map<HANDLE, Handle> handles;
    std::vector<Fault> faults;
    std::map<std::string, int> calls;
    DWORD defaultPrinter = 0;  // printer id, 0: none
    DWORD nextPrinterId = 1;
    DWORD nextJobId = 1;

    State() {
        for (const char16_t* port : kSeedPorts)
            ports.push_back({port, u"Local Port", u"Local Port", PORT_TYPE_WRITE});
        for (const BuiltinForm& f : kBuiltinForms)
            forms.push_back({f.name, FORM_BUILTIN, {f.width, f.height}, {0, 0, f.width, f.height}});
    }

    template <class T>
    static T* Find(std::vector<T>& items, View16 name) {
        for (T& item : items) {
            if (Same(item.name, name))
                return &item;
        }
        return nullptr;
    }
    Printer* FindPrinter(View16 name) { return Find(printers, name); }
    Printer* FindPrinter(DWORD id) {
        for (Printer& p : printers) {
            if (p.id == id)
                return &p;
        }
        return nullptr;
    }
    Port* FindPort(View16 name) { return Find(ports, name); }
    Form* FindForm(View16 name) { return Find(forms, name); }
    Driver* FindDriver(View16 name, View16 environment) {
        for (Driver& d : drivers) {
            if (Same(d.name, name) && Same(d.environment, environment))
                return &d;
        }
        return nullptr;
    }
    Package* FindPackage(View16 infPath, View16 environment) {
        for (Package& p : packages) {
            if (Same(p.infPath, infPath) && Same(p.environment, environment))
                return &p;
        }
        return nullptr;
    }
    // An environment as a caller names it: null or empty means the spooler's own.
    const EnvironmentRow* Environment(const char16_t* name) const {
        return FindEnvironment((name && *name) ? View16(name) : View16(localEnvironment));
    }
    Handle* FindHandle(HANDLE h) {
        auto it = handles.find(h);
        return it == handles.end() ? nullptr : &it->second;
    }
    // The printer of a printer handle; null for unknown, server and deleted printers' handles.
    Printer* PrinterOf(HANDLE h) {
        Handle* handle = FindHandle(h);
        return (handle && !handle->server) ? FindPrinter(handle->printer) : nullptr;
    }
    HANDLE NewHandle(Handle h) {
        // Handle values are never reused, in any spooler of the process, so a stale or foreign
        // handle is always recognised as invalid.
        static std::atomic<std::uintptr_t> next{0x10000};
        HANDLE value = reinterpret_cast<HANDLE>(next.fetch_add(8));
        handles.emplace(value, h);
        return value;
    }
    Job* FindJob(DWORD id) {
        for (Job& j : jobs) {
            if (j.id == id)
                return &j;
        }
        return nullptr;
    }
    DWORD JobCount(DWORD printer) const {
        return static_cast<DWORD>(std::count_if(
            jobs.begin(), jobs.end(), [&](const Job& j) { return j.printer == printer; }));
    }
    void RemoveJobs(DWORD printer) {
        jobs.erase(std::remove_if(jobs.begin(), jobs.end(),
                                  [&](const Job& j) { return j.printer == printer; }),
                   jobs.end());
    }
    bool PortsExist(View16 portList) {
        if (portList.empty())
            return false;
        for (const Text16& port : SplitList(portList, u',')) {
            if (!FindPort(port))
                return false;
        }
        return true;
    }
    bool DriverInUse(const Driver& d) const {
        return Same(d.environment, localEnvironment) &&
               std::any_of(printers.begin(), printers.end(),
                           [&](const Printer& p) { return Same(p.driver, d.name); });
    }

    // The checks AddPrinterW and SetPrinterW level 2 share; `self` is the printer changed.
    DWORD CheckPrinterInfo(const PRINTER_INFO_2W& info, const Printer* self) {
        const Text16 name = Str(In(info.pPrinterName));
        if (!IsValidPrinterName(name))
            return ERROR_INVALID_PRINTER_NAME;
        const Printer* other = FindPrinter(name);
        if (other && other != self)
            return ERROR_PRINTER_ALREADY_EXISTS;
        if (!info.pDriverName || !FindDriver(In(info.pDriverName), localEnvironment))
            return ERROR_UNKNOWN_PRINTER_DRIVER;
        if (!info.pPortName || !PortsExist(In(info.pPortName)))
            return ERROR_UNKNOWN_PORT;
        if (!info.pPrintProcessor || !Same(In(info.pPrintProcessor), kPrintProcessor))
            return ERROR_UNKNOWN_PRINTPROCESSOR;
        if (info.pDatatype && !IsKnownDatatype(In(info.pDatatype)))
            return ERROR_INVALID_DATATYPE;
        if (info.pDevMode && !ReadDevMode(info.pDevMode))
            return ERROR_INVALID_PARAMETER;
        return ERROR_SUCCESS;
    }

    static void ApplyPrinterInfo(Printer& p, const PRINTER_INFO_2W& info) {
        p.name = Str(In(info.pPrinterName));
        p.share = Str(In(info.pShareName));
        p.port = Str(In(info.pPortName));
        p.driver = Str(In(info.pDriverName));
        p.comment = Str(In(info.pComment));
        p.location = Str(In(info.pLocation));
        if (info.pDevMode)
            p.devmode = *ReadDevMode(info.pDevMode);
        p.sepFile = Str(In(info.pSepFile));
        p.printProcessor = Str(In(info.pPrintProcessor));
        if (info.pDatatype)
            p.datatype = Str(In(info.pDatatype));
        p.parameters = Str(In(info.pParameters));
        p.attributes = info.Attributes;
        p.priority = info.Priority;
        p.defaultPriority = info.DefaultPriority;
        p.startTime = info.StartTime;
        p.untilTime = info.UntilTime;
    }

    DWORD AddPrinter(const PRINTER_INFO_2W& info, DWORD* id) {
        if (DWORD e = CheckPrinterInfo(info, nullptr))
            return e;
        Printer p;
        p.id = nextPrinterId++;
        p.papers = DefaultPapers();
        p.datatype = u"RAW";
        ApplyPrinterInfo(p, info);
        if (!info.pDevMode)
            p.devmode = MakeDevMode(p.name, p.papers);
        const Driver* d = FindDriver(p.driver, localEnvironment);
        if (!d->language.empty())
            p.data[Folded(kDsDriver)][Folded(kPrintLanguage)] = {REG_MULTI_SZ,
                                                                 MultiSzBytes(d->language)};
        *id = p.id;
        printers.push_back(std::move(p));
        return ERROR_SUCCESS;
    }

    DWORD AddDriver(const char16_t* server, DWORD level, const BYTE* info) {
        if (!IsLocalServer(server))
            return ERROR_INVALID_NAME;
        Driver d;
        if (DWORD e = ReadDriverInfo(level, info, d))
            return e;
        const EnvironmentRow* env = Environment(d.environment.c_str());
        if (!env)
            return ERROR_INVALID_ENVIRONMENT;
        d.environment = env->name;
        if (!d.infPath.empty() && !FindPackage(d.infPath, d.environment))
            packages.push_back({d.infPath, d.environment});
        if (Driver* old = FindDriver(d.name, d.environment)) {
            d.language = old->language;
            *old = std::move(d);
        } else {
            drivers.push_back(std::move(d));
        }
        return ERROR_SUCCESS;
    }

    void FillPrinter2(Packer& k, PRINTER_INFO_2W& info, const Printer& p) const {
        info.pServerName = nullptr;
        info.pPrinterName = k.Text(p.name);
        info.pShareName = k.Text(p.share);
        info.pPortName = k.Text(p.port);
        info.pDriverName = k.Text(p.driver);
        info.pComment = k.Text(p.comment);
        info.pLocation = k.Text(p.location);
        info.pDevMode = k.DevMode(p.devmode);
        info.pSepFile = k.Text(p.sepFile);
        info.pPrintProcessor = k.Text(p.printProcessor);
        info.pDatatype = k.Text(p.datatype);
        info.pParameters = k.Text(p.parameters);
        info.pSecurityDescriptor = nullptr;
        info.Attributes = p.attributes;
        info.Priority = p.priority;
        info.DefaultPriority = p.defaultPriority;
        info.StartTime = p.startTime;
        info.UntilTime = p.untilTime;
        info.Status = p.status;
        info.cJobs = JobCount(p.id);
        info.AveragePPM = 0;
    }

    static void FillPrinter4(Packer& k, PRINTER_INFO_4W& info, const Printer& p) {
        info.pPrinterName = k.Text(p.name);
        info.pServerName = nullptr;
        info.Attributes = p.attributes;
    }

    static void FillPrinter7(Packer& k, PRINTER_INFO_7W& info, const Printer& p) {
        // A published printer's directory object: a fixed GUID ending in the printer's id.
        static const char16_t kHex[] = u"0123456789ABCDEF";
        Text16 guid = u"{5A0E1D00-0000-4000-8000-000000000000}";
        for (int i = 0; i < 8; ++i)
            guid[36 - i] = kHex[(p.id >> (4 * i)) & 0xF];
        info.pszObjectGUID = p.published ? k.Text(guid) : nullptr;
        info.dwAction = p.published ? DSPRINT_PUBLISH : DSPRINT_UNPUBLISH;
    }

    // Packs printers at level 2 or 4 (7 too for a single printer).
    DWORD PackPrinters(DWORD level, const std::vector<const Printer*>& list, BYTE* buffer,
                       DWORD size, DWORD* needed) const {
        switch (level) {
            case 2:
                return Pack<PRINTER_INFO_2W>(
                    list,
                    [this](Packer& k, PRINTER_INFO_2W& info, const Printer* p) {
                        FillPrinter2(k, info, *p);
                    },
                    buffer, size, needed);
            case 4:
                return Pack<PRINTER_INFO_4W>(
                    list,
                    [](Packer& k, PRINTER_INFO_4W& info, const Printer* p) {
                        FillPrinter4(k, info, *p);
                    },
                    buffer, size, needed);
            case 7:
                return Pack<PRINTER_INFO_7W>(
                    list,
                    [](Packer& k, PRINTER_INFO_7W& info, const Printer* p) {
                        FillPrinter7(k, info, *p);
                    },
                    buffer, size, needed);
            default:
                return ERROR_INVALID_LEVEL;
        }
    }

    // Form calls take a server handle or a printer handle; writing them through a printer
    // handle needs administer access.
    DWORD CheckFormHandle(HANDLE h, bool write) {
        Handle* handle = FindHandle(h);
        if (!handle || (!handle->server && !FindPrinter(handle->printer)))
            return ERROR_INVALID_HANDLE;
        if (write && !handle->server && !(handle->access & PRINTER_ACCESS_ADMINISTER))
            return ERROR_ACCESS_DENIED;
        return ERROR_SUCCESS;
    }
};

// ---- plumbing -------------------------------------------------------------------------------

MemorySpooler::MemorySpooler() : m_state(std::make_unique<State>()) {}
MemorySpooler::~MemorySpooler() = default;

DWORD MemorySpooler::Enter(const char* operation, const std::u16string& subject,
                           std::optional<DWORD> size) const {
    State& s = *m_state;
    ++s.calls[operation];
    for (auto it = s.faults.begin(); it != s.faults.end(); ++it) {
        Fault& f = *it;
        if (f.operation != operation || (!f.name.empty() && !Same(f.name, subject)))
            continue;
        // Calls without a buffer are neither step of a two-step read.
        if (f.step != FaultStep::Any &&
            (!size || (f.step == FaultStep::SizeQuery) != (*size == 0))) {
            continue;
        }
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        const DWORD error = f.error;
        if (f.count != kEveryCall && --f.count <= 0)
            s.faults.erase(it);
        return error;
    }
    return ERROR_SUCCESS;
}

std::u16string MemorySpooler::SubjectOf(HANDLE handle) const {
    const Printer* p = m_state->PrinterOf(handle);
    return p ? p->name : std::u16string();
}

// ---- printer handles ------------------------------------------------------------------------

BOOL MemorySpooler::OpenPrinterW(const char16_t* name, HANDLE* handle, DWORD access) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("OpenPrinterW", Str(name)))
        return Fail(e);
    if (!handle)
        return Fail(ERROR_INVALID_PARAMETER);
    *handle = nullptr;
    State& s = *m_state;
    if (IsLocalServer(name)) {
        *handle = s.NewHandle({true, 0, NormalAccess(access), 0});
        return TRUE;
    }
    const Printer* p = s.FindPrinter(name);
    if (!p)
        return Fail(ERROR_INVALID_PRINTER_NAME);
    *handle = s.NewHandle({false, p->id, NormalAccess(access), 0});
    return TRUE;
}

BOOL MemorySpooler::ClosePrinter(HANDLE printer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("ClosePrinter", SubjectOf(printer)))
        return Fail(e);
    State& s = *m_state;
    Handle* h = s.FindHandle(printer);
    if (!h)
        return Fail(ERROR_INVALID_HANDLE);
    // A document left open ends with its handle: the spooler completes the job.
    if (Job* j = s.FindJob(h->job))
        j->spooling = false;
    s.handles.erase(printer);
    return TRUE;
}

// ---- printer information --------------------------------------------------------------------

BOOL MemorySpooler::GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size,
                                DWORD* needed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("GetPrinterW", SubjectOf(printer), size))
        return Fail(e);
    State& s = *m_state;
    const Printer* p = s.PrinterOf(printer);
    if (!p)
        return Fail(ERROR_INVALID_HANDLE);
    if (!needed)
        return Fail(ERROR_INVALID_PARAMETER);
    DWORD error = s.PackPrinters(level, {p}, buffer, size, needed);
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL MemorySpooler::SetPrinterW(HANDLE printer, DWORD level, BYTE* info, DWORD command) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("SetPrinterW", SubjectOf(printer)))
        return Fail(e);
    State& s = *m_state;
    Printer* p = s.PrinterOf(printer);
    if (!p)
        return Fail(ERROR_INVALID_HANDLE);
    if (!(s.FindHandle(printer)->access & PRINTER_ACCESS_ADMINISTER))
        return Fail(ERROR_ACCESS_DENIED);
    if (level != 0 && level != 2 && level != 7)
        return Fail(ERROR_INVALID_LEVEL);
    if (level != 0 && !info)
        return Fail(ERROR_INVALID_PARAMETER);
    if (level == 0 && command == 0)
        return Fail(ERROR_INVALID_PRINTER_COMMAND);

    // Everything is checked before anything changes.
    PRINTER_INFO_2W info2{};
    if (level == 2) {
        info2 = ReadStruct<PRINTER_INFO_2W>(info);
        if (DWORD e = s.CheckPrinterInfo(info2, p))
            return Fail(e);
    }
    PRINTER_INFO_7W info7{};
    if (level == 7) {
        info7 = ReadStruct<PRINTER_INFO_7W>(info);
        const DWORD action = info7.dwAction;
        if (action != DSPRINT_PUBLISH && action != DSPRINT_UPDATE && action != DSPRINT_UNPUBLISH &&
            action != DSPRINT_REPUBLISH) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
    }
    if (command > PRINTER_CONTROL_SET_STATUS)
        return Fail(ERROR_INVALID_PRINTER_COMMAND);
    if (command == PRINTER_CONTROL_SET_STATUS && level == 0 && !info)
        return Fail(ERROR_INVALID_PARAMETER);

    // A command comes first; with level 0 it is the whole call.
    switch (command) {
        case PRINTER_CONTROL_PAUSE:
            p->status |= PRINTER_STATUS_PAUSED;
            break;
        case PRINTER_CONTROL_RESUME:
            p->status &= ~static_cast<DWORD>(PRINTER_STATUS_PAUSED);
            break;
        case PRINTER_CONTROL_PURGE:
            s.RemoveJobs(p->id);
            break;
        case PRINTER_CONTROL_SET_STATUS:
            if (level == 0)
                p->status = ReadStruct<DWORD>(info);
            break;
        default:
            break;
    }
    if (level == 2)
        State::ApplyPrinterInfo(*p, info2);
    if (level == 7 && info7.dwAction != DSPRINT_UPDATE)
        p->published = info7.dwAction != DSPRINT_UNPUBLISH;
    return TRUE;
}

BOOL MemorySpooler::GetPrinterDriverW(HANDLE printer, const char16_t* environment, DWORD level,
                                      BYTE* buffer, DWORD size, DWORD* needed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("GetPrinterDriverW", SubjectOf(printer), size))
        return Fail(e);
    State& s = *m_state;
    const Printer* p = s.PrinterOf(printer);
    if (!p)
        return Fail(ERROR_INVALID_HANDLE);
    if (!needed)
        return Fail(ERROR_INVALID_PARAMETER);
    const EnvironmentRow* env = s.Environment(environment);
    if (!env)
        return Fail(ERROR_INVALID_ENVIRONMENT);
    const Driver* d = s.FindDriver(p->driver, env->name);
    if (!d)
        return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
    DWORD error = PackDrivers(level, {d}, buffer, size, needed);
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

// ---- printer data ---------------------------------------------------------------------------

DWORD MemorySpooler::GetPrinterDataExW(HANDLE printer, const char16_t* key, const char16_t* value,
                                       DWORD* type, BYTE* data, DWORD size, DWORD* needed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("GetPrinterDataExW", Str(value), size))
        return Status(e);
    const Printer* p = m_state->PrinterOf(printer);
    if (!p)
        return Status(ERROR_INVALID_HANDLE);
    if (!key || !*key || !needed || (!data && size > 0))
        return Status(ERROR_INVALID_PARAMETER);
    *needed = 0;
    auto k = p->data.find(Folded(key));
    if (k == p->data.end())
        return Status(ERROR_FILE_NOT_FOUND);
    auto v = k->second.find(Folded(Str(value)));
    if (v == k->second.end())
        return Status(ERROR_FILE_NOT_FOUND);
    const std::vector<BYTE>& bytes = v->second.bytes;
    if (type)
        *type = v->second.type;
    *needed = static_cast<DWORD>(bytes.size());
    if (size < bytes.size())
        return Status(ERROR_MORE_DATA);
    if (!bytes.empty())
        std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

DWORD MemorySpooler::SetPrinterDataW(HANDLE printer, const char16_t* value, DWORD type,
                                     const BYTE* data, DWORD size) {
    return SetData("SetPrinterDataW", printer, kPrinterDriverData, value, type, data, size);
}

DWORD MemorySpooler::SetPrinterDataExW(HANDLE printer, const char16_t* key, const char16_t* value,
                                       DWORD type, const BYTE* data, DWORD size) {
    return SetData("SetPrinterDataExW", printer, key, value, type, data, size);
}

DWORD MemorySpooler::SetData(const char* operation, HANDLE printer, const char16_t* key,
                             const char16_t* value, DWORD type, const BYTE* data, DWORD size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter(operation, Str(value)))
        return Status(e);
    State& s = *m_state;
    Printer* p = s.PrinterOf(printer);
    if (!p)
        return Status(ERROR_INVALID_HANDLE);
    if (!(s.FindHandle(printer)->access & PRINTER_ACCESS_ADMINISTER))
        return Status(ERROR_ACCESS_DENIED);
    if (!key || !*key || (!data && size > 0))
        return Status(ERROR_INVALID_PARAMETER);
    Value& stored = p->data[Folded(key)][Folded(Str(value))];
    stored.type = type;
    stored.bytes.assign(data, data + size);
    return ERROR_SUCCESS;
}

// ---- forms ----------------------------------------------------------------------------------

BOOL MemorySpooler::GetFormW(HANDLE printer, const char16_t* form, DWORD level, BYTE* buffer,
                             DWORD size, DWORD* needed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("GetFormW", Str(form), size))
        return Fail(e);
    State& s = *m_state;
    if (DWORD e = s.CheckFormHandle(printer, false))
        return Fail(e);
    if (level != 1)
        return Fail(ERROR_INVALID_LEVEL);
    if (!needed)
        return Fail(ERROR_INVALID_PARAMETER);
    const Form* f = form ? s.FindForm(form) : nullptr;
    if (!f)
        return Fail(ERROR_INVALID_FORM_NAME);
    DWORD error = Pack<FORM_INFO_1W>(
        std::vector<const Form*>{f},
        [](Packer& k, FORM_INFO_1W& info, const Form* it) {
            info.Flags = it->flags;
            info.pName = k.Text(it->name);
            info.Size = it->size;
            info.ImageableArea = it->area;
        },
        buffer, size, needed);
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL MemorySpooler::SetFormW(HANDLE printer, const char16_t* form, DWORD level, const BYTE* info) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("SetFormW", Str(form)))
        return Fail(e);
    State& s = *m_state;
    if (DWORD e = s.CheckFormHandle(printer, true))
        return Fail(e);
    if (level != 1)
        return Fail(ERROR_INVALID_LEVEL);
    if (!info)
        return Fail(ERROR_INVALID_PARAMETER);
    Form* f = form ? s.FindForm(form) : nullptr;
    if (!f)
        return Fail(ERROR_INVALID_FORM_NAME);
    if (f->flags != FORM_USER)
        return Fail(ERROR_INVALID_PARAMETER);
    const auto given = ReadStruct<FORM_INFO_1W>(info);
    if (!IsValidForm(given))
        return Fail(ERROR_INVALID_FORM_SIZE);
    // The form keeps its name; the name inside the information is not a rename.
    f->size = given.Size;
    f->area = given.ImageableArea;
    return TRUE;
}

BOOL MemorySpooler::AddFormW(HANDLE printer, DWORD level, const BYTE* info) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Text16 name = info ? Str(In(ReadStruct<FORM_INFO_1W>(info).pName)) : Text16();
    if (DWORD e = Enter("AddFormW", name))
        return Fail(e);
    State& s = *m_state;
    if (DWORD e = s.CheckFormHandle(printer, true))
        return Fail(e);
    if (level != 1)
        return Fail(ERROR_INVALID_LEVEL);
    if (!info)
        return Fail(ERROR_INVALID_PARAMETER);
    const auto given = ReadStruct<FORM_INFO_1W>(info);
    if (name.empty())
        return Fail(ERROR_INVALID_FORM_NAME);
    if (s.FindForm(name))
        return Fail(ERROR_FILE_EXISTS);
    if (given.Flags & FORM_BUILTIN)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!IsValidForm(given))
        return Fail(ERROR_INVALID_FORM_SIZE);
    s.forms.push_back({name, given.Flags & FORM_PRINTER, given.Size, given.ImageableArea});
    return TRUE;
}

BOOL MemorySpooler::DeleteFormW(HANDLE printer, const char16_t* form) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("DeleteFormW", Str(form)))
        return Fail(e);
    State& s = *m_state;
    if (DWORD e = s.CheckFormHandle(printer, true))
        return Fail(e);
    Form* f = form ? s.FindForm(form) : nullptr;
    if (!f)
        return Fail(ERROR_INVALID_FORM_NAME);
    // Only forms that AddFormW added can go.
    if (f->flags != FORM_USER)
        return Fail(ERROR_INVALID_PARAMETER);
    s.forms.erase(s.forms.begin() + (f - s.forms.data()));
    return TRUE;
}

int MemorySpooler::DeviceCapabilitiesW(const char16_t* device, const char16_t* /*port*/,
                                       WORD capability, void* output, const DEVMODEW* /*devmode*/) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("DeviceCapabilitiesW", Str(device))) {
        SetLastError(e);
        return -1;
    }
    const Printer* p = device ? m_state->FindPrinter(device) : nullptr;
    if (!p) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return -1;
    }
    const auto count = static_cast<int>(p->papers.size());
    auto* out = static_cast<BYTE*>(output);
    switch (capability) {
        case DC_PAPERNAMES:
            // 64 units a name, NUL-padded; a name of 64 units or more fills its slot.
            for (std::size_t i = 0; out && i < p->papers.size(); ++i) {
                char16_t slot[64] = {};
                const Text16& name = p->papers[i].name;
                std::memcpy(slot, name.data(), std::min<std::size_t>(name.size(), 64) * 2);
                std::memcpy(out + i * sizeof slot, slot, sizeof slot);
            }
            return count;
        case DC_PAPERS:
            for (std::size_t i = 0; out && i < p->papers.size(); ++i)
                std::memcpy(out + i * sizeof(WORD), &p->papers[i].id, sizeof(WORD));
            return count;
        case DC_PAPERSIZE:
            for (std::size_t i = 0; out && i < p->papers.size(); ++i)
                std::memcpy(out + i * sizeof(POINT), &p->papers[i].size, sizeof(POINT));
            return count;
        case DC_FIELDS:
            return static_cast<int>(ReadField<DWORD>(p->devmode, offsetof(DEVMODEW, dmFields)));
        case DC_SIZE:
            return ReadField<WORD>(p->devmode, offsetof(DEVMODEW, dmSize));
        case DC_EXTRA:
            return ReadField<WORD>(p->devmode, offsetof(DEVMODEW, dmDriverExtra));
        default:
            SetLastError(ERROR_NOT_SUPPORTED);
            return -1;
    }
}

// ---- enumeration ----------------------------------------------------------------------------

BOOL MemorySpooler::EnumPrintersW(DWORD flags, const char16_t* /*name*/, DWORD level, BYTE* buffer,
                                  DWORD size, DWORD* needed, DWORD* returned) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("EnumPrintersW", {}, size))
        return Fail(e);
    if (!needed || !returned)
        return Fail(ERROR_INVALID_PARAMETER);
    *returned = 0;
    if (level != 2 && level != 4)
        return Fail(ERROR_INVALID_LEVEL);
    State& s = *m_state;
    // This spooler has no connections and no other servers: connections add nothing, and a
    // listing by name is the local one.
    std::vector<const Printer*> list;
    if (flags & PRINTER_ENUM_DEFAULT) {
        if (const Printer* p = s.FindPrinter(s.defaultPrinter))
            list.push_back(p);
    } else if (flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_NAME)) {
        for (const Printer& p : s.printers)
            list.push_back(&p);
    }
    if (DWORD error = s.PackPrinters(level, list, buffer, size, needed))
        return Fail(error);
    *returned = static_cast<DWORD>(list.size());
    return TRUE;
}

BOOL MemorySpooler::EnumPrinterDriversW(const char16_t* server, const char16_t* environment,
                                        DWORD level, BYTE* buffer, DWORD size, DWORD* needed,
                                        DWORD* returned) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("EnumPrinterDriversW", {}, size))
        return Fail(e);
    if (!needed || !returned)
        return Fail(ERROR_INVALID_PARAMETER);
    *returned = 0;
    if (!IsLocalServer(server))
        return Fail(ERROR_INVALID_NAME);
    State& s = *m_state;
    const bool all = environment && Same(environment, u"all");
    const EnvironmentRow* env = all ? nullptr : s.Environment(environment);
    if (!all && !env)
        return Fail(ERROR_INVALID_ENVIRONMENT);
    std::vector<const Driver*> list;
    for (const Driver& d : s.drivers) {
        if (all || Same(d.environment, env->name))
            list.push_back(&d);
    }
    if (DWORD error = PackDrivers(level, list, buffer, size, needed))
        return Fail(error);
    *returned = static_cast<DWORD>(list.size());
    return TRUE;
}

BOOL MemorySpooler::EnumPortsW(const char16_t* server, DWORD level, BYTE* buffer, DWORD size,
                               DWORD* needed, DWORD* returned) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("EnumPortsW", {}, size))
        return Fail(e);
    if (!needed || !returned)
        return Fail(ERROR_INVALID_PARAMETER);
    *returned = 0;
    if (!IsLocalServer(server))
        return Fail(ERROR_INVALID_NAME);
    std::vector<const Port*> list;
    for (const Port& p : m_state->ports)
        list.push_back(&p);
    DWORD error = ERROR_INVALID_LEVEL;
    if (level == 1) {
        error = Pack<PORT_INFO_1W>(
            list,
            [](Packer& k, PORT_INFO_1W& info, const Port* p) { info.pName = k.Text(p->name); },
            buffer, size, needed);
    } else if (level == 2) {
        error = Pack<PORT_INFO_2W>(
            list,
            [](Packer& k, PORT_INFO_2W& info, const Port* p) {
                info.pPortName = k.Text(p->name);
                info.pMonitorName = k.Text(p->monitor);
                info.pDescription = k.Text(p->description);
                info.fPortType = p->type;
                info.Reserved = 0;
            },
            buffer, size, needed);
    }
    if (error != ERROR_SUCCESS)
        return Fail(error);
    *returned = static_cast<DWORD>(list.size());
    return TRUE;
}

// ---- drivers --------------------------------------------------------------------------------

BOOL MemorySpooler::GetPrinterDriverDirectoryW(const char16_t* server, const char16_t* environment,
                                               DWORD level, BYTE* buffer, DWORD size,
                                               DWORD* needed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("GetPrinterDriverDirectoryW", {}, size))
        return Fail(e);
    if (!IsLocalServer(server))
        return Fail(ERROR_INVALID_NAME);
    if (level != 1)
        return Fail(ERROR_INVALID_LEVEL);
    if (!needed)
        return Fail(ERROR_INVALID_PARAMETER);
    const EnvironmentRow* env = m_state->Environment(environment);
    if (!env)
        return Fail(ERROR_INVALID_ENVIRONMENT);
    const Text16 directory = Text16(kDriverRoot) + env->folder;
    *needed = static_cast<DWORD>((directory.size() + 1) * 2);
    if (size < *needed)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (!buffer)
        return Fail(ERROR_INVALID_USER_BUFFER);
    std::memcpy(buffer, directory.c_str(), *needed);
    return TRUE;
}

BOOL MemorySpooler::AddPrinterDriverW(const char16_t* server, DWORD level, BYTE* info) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("AddPrinterDriverW", DriverNameOf(level, info)))
        return Fail(e);
    DWORD error = m_state->AddDriver(server, level, info);
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL MemorySpooler::AddPrinterDriverExW(const char16_t* server, DWORD level, BYTE* info,
                                        DWORD /*flags*/) {
    // Files are not copied here, so the copy flags have nothing to choose between.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("AddPrinterDriverExW", DriverNameOf(level, info)))
        return Fail(e);
    DWORD error = m_state->AddDriver(server, level, info);
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL MemorySpooler::DeletePrinterDriverExW(const char16_t* server, const char16_t* environment,
                                           const char16_t* driver, DWORD deleteFlags,
                                           DWORD versionFlag) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("DeletePrinterDriverExW", Str(driver)))
        return Fail(e);
    if (!IsLocalServer(server))
        return Fail(ERROR_INVALID_NAME);
    if (deleteFlags & ~kDeleteFlagsKnown)
        return Fail(ERROR_INVALID_PARAMETER);
    State& s = *m_state;
    const EnvironmentRow* env = s.Environment(environment);
    if (!env)
        return Fail(ERROR_INVALID_ENVIRONMENT);
    Driver* d = driver ? s.FindDriver(driver, env->name) : nullptr;
    if (!d || ((deleteFlags & DPD_DELETE_SPECIFIC_VERSION) && d->version != versionFlag))
        return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
    if (s.DriverInUse(*d))
        return Fail(ERROR_PRINTER_DRIVER_IN_USE);
    // The driver's package stays in the driver store until DeletePrinterDriverPackageW.
    s.drivers.erase(s.drivers.begin() + (d - s.drivers.data()));
    return TRUE;
}

HRESULT MemorySpooler::DeletePrinterDriverPackageW(const char16_t* server, const char16_t* infPath,
                                                   const char16_t* environment) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("DeletePrinterDriverPackageW", Str(infPath))) {
        // An HRESULT given as the fault's error is answered as it stands (E_NOTIMPL: absent).
        return (e & 0x80000000u) ? static_cast<HRESULT>(e) : HRESULT_FROM_WIN32(e);
    }
    if (!IsLocalServer(server))
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    if (!infPath || !*infPath)
        return E_INVALIDARG;
    State& s = *m_state;
    const EnvironmentRow* env = s.Environment(environment);
    if (!env)
        return HRESULT_FROM_WIN32(ERROR_INVALID_ENVIRONMENT);
    Package* package = s.FindPackage(infPath, env->name);
    if (!package)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    const bool inUse = std::any_of(s.drivers.begin(), s.drivers.end(), [&](const Driver& d) {
        return Same(d.infPath, infPath) && Same(d.environment, env->name);
    });
    if (inUse)
        return HRESULT_FROM_WIN32(ERROR_PRINTER_DRIVER_PACKAGE_IN_USE);
    s.packages.erase(s.packages.begin() + (package - s.packages.data()));
    return S_OK;
}

// ---- printers -------------------------------------------------------------------------------

HANDLE MemorySpooler::AddPrinterW(const char16_t* server, DWORD level, BYTE* info) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool readable = level == 2 && info;
    const PRINTER_INFO_2W given = readable ? ReadStruct<PRINTER_INFO_2W>(info) : PRINTER_INFO_2W{};
    const Text16 name = Str(In(given.pPrinterName));
    DWORD error = Enter("AddPrinterW", name);
    if (error == ERROR_SUCCESS && !IsLocalServer(server))
        error = ERROR_INVALID_NAME;
    if (error == ERROR_SUCCESS && level != 2)
        error = ERROR_INVALID_LEVEL;
    if (error == ERROR_SUCCESS && !info)
        error = ERROR_INVALID_PARAMETER;
    State& s = *m_state;
    DWORD id = 0;
    if (error == ERROR_SUCCESS)
        error = s.AddPrinter(given, &id);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return nullptr;
    }
    HANDLE handle = s.NewHandle({false, id, PRINTER_ALL_ACCESS, 0});
    auto hook = m_printerAdded;
    lock.unlock();
    if (hook)
        hook(name);
    return handle;
}

BOOL MemorySpooler::DeletePrinter(HANDLE printer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("DeletePrinter", SubjectOf(printer)))
        return Fail(e);
    State& s = *m_state;
    Printer* p = s.PrinterOf(printer);
    if (!p)
        return Fail(ERROR_INVALID_HANDLE);
    if (!(s.FindHandle(printer)->access & kDeleteAccess))
        return Fail(ERROR_ACCESS_DENIED);
    // Handles to the printer stay open until closed, but reach nothing any more.
    s.RemoveJobs(p->id);
    if (s.defaultPrinter == p->id)
        s.defaultPrinter = 0;
    s.printers.erase(s.printers.begin() + (p - s.printers.data()));
    return TRUE;
}

BOOL MemorySpooler::SetDefaultPrinterW(const char16_t* name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("SetDefaultPrinterW", Str(name)))
        return Fail(e);
    State& s = *m_state;
    if (!name || !*name) {
        // No name keeps a default there is, or makes the first printer the default.
        if (!s.FindPrinter(s.defaultPrinter) && !s.printers.empty())
            s.defaultPrinter = s.printers.front().id;
        return TRUE;
    }
    const Printer* p = s.FindPrinter(name);
    if (!p)
        return Fail(ERROR_INVALID_PRINTER_NAME);
    s.defaultPrinter = p->id;
    return TRUE;
}

BOOL MemorySpooler::GetDefaultPrinterW(char16_t* buffer, DWORD* size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("GetDefaultPrinterW"))
        return Fail(e);
    if (!size)
        return Fail(ERROR_INVALID_PARAMETER);
    const Printer* p = m_state->FindPrinter(m_state->defaultPrinter);
    if (!p)
        return Fail(ERROR_FILE_NOT_FOUND);
    const auto units = static_cast<DWORD>(p->name.size() + 1);
    if (!buffer || *size < units) {
        *size = units;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, p->name.c_str(), units * sizeof(char16_t));
    *size = units;
    return TRUE;
}

LONG MemorySpooler::DocumentPropertiesW(HWND /*window*/, HANDLE printer, const char16_t* device,
                                        DEVMODEW* output, const DEVMODEW* input, DWORD mode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    State& s = *m_state;
    if (DWORD e = Enter("DocumentPropertiesW", printer ? SubjectOf(printer) : Str(device))) {
        SetLastError(e);
        return -1;
    }
    const Printer* p = printer ? s.PrinterOf(printer) : (device ? s.FindPrinter(device) : nullptr);
    if (!p) {
        SetLastError(printer ? ERROR_INVALID_HANDLE : ERROR_INVALID_PRINTER_NAME);
        return -1;
    }
    if (mode == 0)
        return static_cast<LONG>(p->devmode.size());
    std::vector<BYTE> result = p->devmode;
    CopyUnits(result.data() + offsetof(DEVMODEW, dmDeviceName), CCHDEVICENAME, p->name);
    if ((mode & DM_IN_BUFFER) && input) {
        std::optional<std::vector<BYTE>> in = ReadDevMode(input);
        if (!in) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        result = MergeDevMode(std::move(result), *in);
    }
    if (mode & DM_OUT_BUFFER) {
        if (!output) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        std::memcpy(output, result.data(), result.size());
    }
    // There is no window system to prompt on: DM_PROMPT answers as if the user chose OK.
    return IDOK;
}

// ---- jobs -----------------------------------------------------------------------------------

DWORD MemorySpooler::StartDocPrinterW(HANDLE printer, DWORD level, BYTE* docInfo) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto fail = [](DWORD error) -> DWORD {
        SetLastError(error);
        return 0;
    };
    if (DWORD e = Enter("StartDocPrinterW", SubjectOf(printer)))
        return fail(e);
    State& s = *m_state;
    const Printer* p = s.PrinterOf(printer);
    if (!p)
        return fail(ERROR_INVALID_HANDLE);
    Handle& h = *s.FindHandle(printer);
    if (!(h.access & PRINTER_ACCESS_USE))
        return fail(ERROR_ACCESS_DENIED);
    if (level != 1)
        return fail(ERROR_INVALID_LEVEL);
    if (!docInfo)
        return fail(ERROR_INVALID_PARAMETER);
    if (h.job != 0)
        return fail(ERROR_INVALID_PRINTER_STATE);
    const auto doc = ReadStruct<DOC_INFO_1W>(docInfo);
    const Text16 datatype = doc.pDatatype ? Str(In(doc.pDatatype)) : p->datatype;
    if (!IsKnownDatatype(datatype))
        return fail(ERROR_INVALID_DATATYPE);
    Job job{s.nextJobId++, p->id, Str(In(doc.pDocName)), datatype, Str(In(doc.pOutputFile)), {},
            true};
    h.job = job.id;
    s.jobs.push_back(std::move(job));
    return h.job;
}

BOOL MemorySpooler::WritePrinter(HANDLE printer, const void* data, DWORD size, DWORD* written) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (written)
        *written = 0;
    if (DWORD e = Enter("WritePrinter", SubjectOf(printer)))
        return Fail(e);
    State& s = *m_state;
    if (!s.PrinterOf(printer))
        return Fail(ERROR_INVALID_HANDLE);
    if (!written || (!data && size > 0))
        return Fail(ERROR_INVALID_PARAMETER);
    const Handle& h = *s.FindHandle(printer);
    if (h.job == 0)
        return Fail(ERROR_SPL_NO_STARTDOC);
    Job* job = s.FindJob(h.job);
    if (!job)
        return Fail(ERROR_PRINT_CANCELLED);  // purged while it was being written
    const auto* bytes = static_cast<const BYTE*>(data);
    job->bytes.insert(job->bytes.end(), bytes, bytes + size);
    *written = size;
    return TRUE;
}

BOOL MemorySpooler::EndDocPrinter(HANDLE printer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("EndDocPrinter", SubjectOf(printer)))
        return Fail(e);
    State& s = *m_state;
    if (!s.PrinterOf(printer))
        return Fail(ERROR_INVALID_HANDLE);
    Handle& h = *s.FindHandle(printer);
    if (h.job == 0)
        return Fail(ERROR_SPL_NO_STARTDOC);
    if (Job* job = s.FindJob(h.job))
        job->spooling = false;
    h.job = 0;
    return TRUE;
}

BOOL MemorySpooler::EnumJobsW(HANDLE printer, DWORD firstJob, DWORD count, DWORD level,
                              BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (DWORD e = Enter("EnumJobsW", SubjectOf(printer), size))
        return Fail(e);
    State& s = *m_state;
    const Printer* p = s.PrinterOf(printer);
    if (!p)
        return Fail(ERROR_INVALID_HANDLE);
    if (!needed || !returned)
        return Fail(ERROR_INVALID_PARAMETER);
    *returned = 0;
    if (level != 1)
        return Fail(ERROR_INVALID_LEVEL);
    struct Row {
        const Job* job;
        DWORD position;
    };
    std::vector<Row> rows;
    DWORD position = 0;
    for (const Job& j : s.jobs) {
        if (j.printer != p->id)
            continue;
        ++position;
        if (position > firstJob && rows.size() < count)
            rows.push_back({&j, position});
    }
    const Text16& printerName = p->name;
    DWORD error = Pack<JOB_INFO_1W>(
        rows,
        [&](Packer& k, JOB_INFO_1W& info, const Row& row) {
            info.JobId = row.job->id;
            info.pPrinterName = k.Text(printerName);
            info.pMachineName = k.Text(kMachineName);
            info.pUserName = k.Text(kUserName);
            info.pDocument = k.Text(row.job->document);
            info.pDatatype = k.Text(row.job->datatype);
            info.pStatus = nullptr;
            info.Status = row.job->spooling ? JOB_STATUS_SPOOLING : 0;
            info.Priority = 1;
            info.Position = row.position;
            info.TotalPages = 0;
            info.PagesPrinted = 0;
        },
        buffer, size, needed);
    if (error != ERROR_SUCCESS)
        return Fail(error);
    *returned = static_cast<DWORD>(rows.size());
    return TRUE;
}

// ---- seeding and inspection -----------------------------------------------------------------

void MemorySpooler::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state = std::make_unique<State>();
    m_printerAdded = nullptr;
}

bool MemorySpooler::SetLocalEnvironment(const std::u16string& environment) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const EnvironmentRow* env = FindEnvironment(environment);
    if (!env) {
        SetLastError(ERROR_INVALID_ENVIRONMENT);
        return false;
    }
    m_state->localEnvironment = env->name;
    return true;
}

bool MemorySpooler::AddDriverSimple(const std::u16string& name, const std::u16string& environment,
                                    const std::u16string& infPath) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Text16 dataFile = name + u".DAT";
    DRIVER_INFO_8W info{};
    info.cVersion = 3;
    info.pName = Out(const_cast<char16_t*>(name.c_str()));
    info.pEnvironment = Out(const_cast<char16_t*>(environment.c_str()));
    info.pDriverPath = Out(const_cast<char16_t*>(u"DRIVER.DLL"));
    info.pDataFile = Out(const_cast<char16_t*>(dataFile.c_str()));
    info.pConfigFile = Out(const_cast<char16_t*>(u"DRIVERUI.DLL"));
    info.pDefaultDataType = Out(const_cast<char16_t*>(u"RAW"));
    info.pszInfPath = Out(const_cast<char16_t*>(infPath.c_str()));
    DWORD error = m_state->AddDriver(nullptr, 8, reinterpret_cast<const BYTE*>(&info));
    return error == ERROR_SUCCESS ? true : (SetLastError(error), false);
}

void MemorySpooler::AddDriverPackage(const std::u16string& infPath,
                                     const std::u16string& environment) {
    std::lock_guard<std::mutex> lock(m_mutex);
    State& s = *m_state;
    const EnvironmentRow* env = s.Environment(environment.c_str());
    if (env && !s.FindPackage(infPath, env->name))
        s.packages.push_back({infPath, env->name});
}

bool MemorySpooler::HasDriverPackage(const std::u16string& infPath,
                                     const std::u16string& environment) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const EnvironmentRow* env = m_state->Environment(environment.c_str());
    return env && m_state->FindPackage(infPath, env->name);
}

bool MemorySpooler::HasDriver(const std::u16string& name, const std::u16string& environment) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const EnvironmentRow* env = m_state->Environment(environment.c_str());
    return env && m_state->FindDriver(name, env->name);
}

bool MemorySpooler::SetDriverLanguage(const std::u16string& driver,
                                      const std::u16string& language) {
    std::lock_guard<std::mutex> lock(m_mutex);
    State& s = *m_state;
    Driver* d = s.FindDriver(driver, s.localEnvironment);
    if (!d) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return false;
    }
    d->language = language;
    return true;
}

bool MemorySpooler::AddPortSimple(const std::u16string& name, const std::u16string& monitor,
                                  const std::u16string& description, DWORD type) {
    std::lock_guard<std::mutex> lock(m_mutex);
    State& s = *m_state;
    if (name.empty() || name.find(u',') != Text16::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    if (s.FindPort(name)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    s.ports.push_back({name, monitor, description, type});
    return true;
}

bool MemorySpooler::CreatePrinter(const std::u16string& name, const std::u16string& driver,
                                  const std::u16string& port) {
    std::unique_lock<std::mutex> lock(m_mutex);
    PRINTER_INFO_2W info{};
    info.pPrinterName = Out(const_cast<char16_t*>(name.c_str()));
    info.pPortName = Out(const_cast<char16_t*>(port.c_str()));
    info.pDriverName = Out(const_cast<char16_t*>(driver.c_str()));
    info.pPrintProcessor = Out(const_cast<char16_t*>(kPrintProcessor));
    info.pDatatype = Out(const_cast<char16_t*>(u"RAW"));
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    DWORD id = 0;
    if (DWORD error = m_state->AddPrinter(info, &id)) {
        SetLastError(error);
        return false;
    }
    auto hook = m_printerAdded;
    lock.unlock();
    if (hook)
        hook(name);
    return true;
}

bool MemorySpooler::HasPrinter(const std::u16string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state->FindPrinter(name) != nullptr;
}

std::vector<BYTE> MemorySpooler::DefaultDevMode(const std::u16string& printer) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Printer* p = m_state->FindPrinter(printer);
    return p ? p->devmode : std::vector<BYTE>();
}

bool MemorySpooler::SetPaperList(const std::u16string& printer, std::vector<PaperInfo> papers) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Printer* p = m_state->FindPrinter(printer);
    if (!p) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return false;
    }
    p->papers = std::move(papers);
    return true;
}

bool MemorySpooler::SetPrinterValue(const std::u16string& printer, const std::u16string& key,
                                    const std::u16string& value, DWORD type,
                                    std::vector<BYTE> data) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Printer* p = m_state->FindPrinter(printer);
    if (!p || key.empty()) {
        SetLastError(p ? ERROR_INVALID_PARAMETER : ERROR_INVALID_PRINTER_NAME);
        return false;
    }
    p->data[Folded(key)][Folded(value)] = {type, std::move(data)};
    return true;
}

bool MemorySpooler::SetPrintLanguage(const std::u16string& printer,
                                     const std::u16string& language) {
    return SetPrinterValue(printer, kDsDriver, kPrintLanguage, REG_MULTI_SZ,
                           MultiSzBytes(language));
}

std::optional<std::vector<BYTE>> MemorySpooler::PrinterValue(const std::u16string& printer,
                                                             const std::u16string& key,
                                                             const std::u16string& value,
                                                             DWORD* type) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Printer* p = m_state->FindPrinter(printer);
    if (!p)
        return std::nullopt;
    auto k = p->data.find(Folded(key));
    if (k == p->data.end())
        return std::nullopt;
    auto v = k->second.find(Folded(value));
    if (v == k->second.end())
        return std::nullopt;
    if (type)
        *type = v->second.type;
    return v->second.bytes;
}

bool MemorySpooler::RemovePrinterValue(const std::u16string& printer, const std::u16string& key,
                                       const std::u16string& value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Printer* p = m_state->FindPrinter(printer);
    if (!p)
        return false;
    auto k = p->data.find(Folded(key));
    return k != p->data.end() && k->second.erase(Folded(value)) > 0;
}

bool MemorySpooler::HasForm(const std::u16string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state->FindForm(name) != nullptr;
}

std::vector<DWORD> MemorySpooler::JobIds(const std::u16string& printer) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<DWORD> ids;
    const Printer* p = m_state->FindPrinter(printer);
    for (const Job& j : m_state->jobs) {
        if (p && j.printer == p->id)
            ids.push_back(j.id);
    }
    return ids;
}

std::vector<BYTE> MemorySpooler::JobBytes(const std::u16string& printer, DWORD job) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Printer* p = m_state->FindPrinter(printer);
    const Job* j = m_state->FindJob(job);
    return (p && j && j->printer == p->id) ? j->bytes : std::vector<BYTE>();
}

int MemorySpooler::OpenHandleCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_state->handles.size());
}

namespace {
void CheckOperation(const std::string& operation) {
    if (std::find(std::begin(kOperations), std::end(kOperations), operation) ==
        std::end(kOperations)) {
        throw std::invalid_argument("MemorySpooler: no operation named " + operation);
    }
}
}  // namespace

int MemorySpooler::CallCount(const std::string& operation) const {
    CheckOperation(operation);
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_state->calls.find(operation);
    return it == m_state->calls.end() ? 0 : it->second;
}

void MemorySpooler::SetPrinterAddedHook(std::function<void(const std::u16string&)> hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_printerAdded = std::move(hook);
}

void MemorySpooler::InjectFault(std::string operation, DWORD error, int count) {
    Fault fault;
    fault.operation = std::move(operation);
    fault.error = error;
    fault.count = count;
    InjectFault(std::move(fault));
}

void MemorySpooler::InjectFault(Fault fault) {
    CheckOperation(fault.operation);
    if (fault.count == 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state->faults.push_back(std::move(fault));
}

void MemorySpooler::ClearFaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state->faults.clear();
}

}  // namespace host
