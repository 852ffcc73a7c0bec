#include "settings/model_database.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "host/resources.h"
#include "host/trace.h"
#include "host/utf.h"

namespace {

// The package an unmarked database serves; "VeltPrt" serves every package.
constexpr char kDefaultPackage[] = "Velt";
constexpr char kAnyPackage[] = "VeltPrt";
constexpr char kDefaultPaperList[] = "label";
constexpr char kNoMargin[] = "0,0,0,0";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal number of millimetres as thousandths, read like the C library's atof: leading
// blanks, a sign, the longest number prefix, 0 when there is none. None for a number that
// does not fit, so that a damaged paper is left out instead of wrapping around.
std::optional<LONG> ParseThousandths(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        return 0;  // one sign only
    double value = 0;
    const char* first = text.data() + i;
    const std::errc error = std::from_chars(first, text.data() + text.size(), value).ec;
    if (error == std::errc::invalid_argument)
        return 0;
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    const double thousandths = std::round((negative ? -value : value) * 1000.0);
    if (std::fabs(thousandths) > std::numeric_limits<LONG>::max())
        return std::nullopt;
    return static_cast<LONG>(thousandths);
}

// Splits text at its first `count` commas; none when it has fewer.
std::optional<std::vector<std::string_view>> SplitAtCommas(std::string_view text, int count) {
    std::vector<std::string_view> parts;
    for (int k = 0; k < count; ++k) {
        const std::size_t comma = text.find(',');
        if (comma == std::string_view::npos)
            return std::nullopt;
        parts.push_back(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    }
    parts.push_back(text);
    return parts;
}

}  // namespace

CModelDatabase::CModelDatabase(int resourceId) : m_resourceId(resourceId) {}

void CModelDatabase::LoadModelDatabase() {
    if (m_bLoaded)
        return;
    const BYTE* data = nullptr;
    DWORD size = 0;
    if (!host::FindResourceBytes(kXmlResourceType, m_resourceId, &data, &size) || size == 0)
        return;
    LoadFromBuffer(data, size);
}

pugi::xml_parse_result CModelDatabase::LoadFromBuffer(const void* data, std::size_t size) {
    const pugi::xml_parse_result result = m_doc.load_buffer(data, size);
    m_bLoaded = true;
    m_paperList.clear();
    m_paperListModel.clear();
    return result;
}

void CModelDatabase::Reset() {
    m_doc.reset();
    m_bLoaded = false;
    m_paperList.clear();
    m_paperListModel.clear();
}

const pugi::xml_document& CModelDatabase::Document() {
    LoadModelDatabase();
    return m_doc;
}

pugi::xml_node CModelDatabase::Drivers() {
    return Document().child("Drivers");
}

pugi::xml_node CModelDatabase::FindDriver(std::string_view modelName) {
    const pugi::xml_node drivers = Drivers();
    const pugi::xml_attribute modelAttr = drivers.attribute("model");
    const std::string_view package = modelAttr ? modelAttr.value() : kDefaultPackage;
    const bool anyPackage = package == kAnyPackage;
    for (pugi::xml_node driver : drivers.children("Driver")) {
        if (!EqualsNoCase(driver.attribute("name").value(), modelName))
            continue;
        if (anyPackage || EqualsNoCase(driver.attribute("mode").value(), package))
            return driver;
    }
    for (pugi::xml_node driver : drivers.children("Driver")) {
        if (EqualsNoCase(driver.attribute("name").value(), modelName))
            return driver;
    }
    return {};
}

pugi::xml_node CModelDatabase::FindModelByUsbName(std::string_view hardwareId) {
    const pugi::xml_node drivers = Drivers();
    const pugi::xml_attribute modelAttr = drivers.attribute("model");
    const std::string_view package = modelAttr ? modelAttr.value() : kDefaultPackage;
    const bool anyPackage = package == kAnyPackage;
    for (pugi::xml_node driver : drivers.children("Driver")) {
        if (EqualsNoCase(driver.attribute("usbname").value(), hardwareId) &&
            (anyPackage || EqualsNoCase(driver.attribute("mode").value(), package)))
            return driver;
    }
    return {};
}

pugi::xml_node CModelDatabase::FindParentDriver(pugi::xml_node driver) {
    const pugi::xml_attribute parent = driver.attribute("parent");
    // Without a parent there is nothing to inherit; an empty text would otherwise pick the
    // first entry that lacks a name.
    if (!parent || !*parent.value())
        return {};
    for (pugi::xml_node candidate : Drivers().children("Driver")) {
        if (candidate != driver &&
            EqualsNoCase(candidate.attribute("name").value(), parent.value()))
            return candidate;
    }
    return {};
}

pugi::xml_attribute CModelDatabase::GetDriverAttribute(pugi::xml_node driver, const char* name) {
    for (int link = 0; driver && link <= kMaxParentLinks; ++link) {
        if (const pugi::xml_attribute found = driver.attribute(name))
            return found;
        driver = FindParentDriver(driver);
    }
    host::TraceF("GetDriverAttribute name=%s, return null.\r\n", name);
    return {};
}

std::optional<PaperListEntry> CModelDatabase::ReadPaper(pugi::xml_node paper) {
    PaperListEntry entry{};
    entry.dwFlags = FORM_PRINTER;
    entry.name = paper.attribute("name").value();
    entry.iRes = paper.attribute("res").as_int(0);

    const char* sizeText = paper.attribute("size").value();
    const auto size = SplitAtCommas(sizeText, 1);
    std::optional<LONG> width, length;
    if (size) {
        width = ParseThousandths((*size)[0]);
        length = ParseThousandths((*size)[1]);
    }
    if (!width || !length) {
        host::TraceF("xml定义纸张时，size属性错误。PaperName = %s size = %s", entry.name.c_str(),
                     sizeText);
        return std::nullopt;
    }
    entry.lWidth = *width;
    entry.lLength = *length;

    const pugi::xml_attribute marginAttr = paper.attribute("margin");
    const char* marginText = marginAttr ? marginAttr.value() : kNoMargin;
    const auto margin = SplitAtCommas(marginText, 3);
    std::optional<LONG> sides[4];
    if (margin) {
        for (int k = 0; k < 4; ++k)
            sides[k] = ParseThousandths((*margin)[k]);
    }
    if (!sides[0] || !sides[1] || !sides[2] || !sides[3]) {
        host::TraceF("xml定义纸张时，margin属性错误。PaperName = %s margin = %s",
                     entry.name.c_str(), marginText);
        return std::nullopt;
    }
    entry.lLeft = *sides[0];
    entry.lTop = *sides[1];
    entry.lRight = *sides[2];
    entry.lBottom = *sides[3];
    return entry;
}

void CModelDatabase::InitPaperList(std::string_view modelName) {
    m_paperList.clear();
    m_paperListModel = modelName;
    const std::string name(modelName);
    const pugi::xml_node driver = FindDriver(modelName);
    if (!driver)
        host::TraceF("InitPaperList sPrinterName=%s, nodeDriver is null, return null.\r\n",
                     name.c_str());
    const pugi::xml_attribute listAttr = GetDriverAttribute(driver, "paperlist");
    const char* listName = listAttr ? listAttr.value() : kDefaultPaperList;
    const pugi::xml_node papers =
        Document().child("Form").find_child_by_attribute("Papers", "type", listName);
    if (!papers) {
        host::TraceF("InitPaperList sPrinterName=%s, nodePapers is null, return null.\r\n",
                     name.c_str());
        return;
    }
    for (pugi::xml_node paper : papers.children("Paper")) {
        std::optional<PaperListEntry> entry = ReadPaper(paper);
        if (!entry)
            continue;
        entry->iNumber = kFirstPaperNumber + static_cast<int>(m_paperList.size());
        m_paperList.push_back(std::move(*entry));
    }
}

std::size_t CModelDatabase::GetPaperCount(std::string_view modelName) {
    // A list built for another model would give this one the wrong default form.
    if (m_paperList.empty() || !EqualsNoCase(m_paperListModel, modelName)) {
        host::Trace("InitPaperList");
        InitPaperList(modelName);
    }
    return m_paperList.size();
}

int CModelDatabase::GetDPI(std::string_view modelName) {
    const pugi::xml_node driver = FindDriver(modelName);
    if (!driver) {
        host::TraceF("GetDPI sPrinterName=%s, nodeDriver is null, return null.\r\n",
                     std::string(modelName).c_str());
        return 203;
    }
    return GetDriverAttribute(driver, "dpi").as_int(0);
}

std::string CModelDatabase::GetDefaultPaperName(pugi::xml_node driver) {
    const pugi::xml_attribute name = GetDriverAttribute(driver, "defpapername");
    if (name && *name.value())
        return name.value();
    const int inches = static_cast<int>(GetDriverAttribute(driver, "headsize").as_int(0) / 25.4);
    switch (inches) {
        case 3:
            return "76mm x 130mm";
        case 4:
            return "100mm x 180mm";
        default:
            return "";
    }
}

std::u16string CModelDatabase::DefaultFormName(std::string_view driverName) {
    const int dpi = GetDPI(driverName);
    const pugi::xml_node driver = FindDriver(driverName);
    std::string paper;
    if (driver)
        paper = GetDefaultPaperName(driver);
    else
        host::TraceF("GetDefaultPaperName sPrinterName=%s, nodeDriver is null, return null.\r\n",
                     std::string(driverName).c_str());
    GetPaperCount(driverName);
    // An empty default would match a paper without a name and leave the DEVMODE with the
    // form flag but no form.
    if (paper.empty())
        return {};
    for (const PaperListEntry& entry : m_paperList) {
        if (entry.name != paper)
            continue;
        std::u16string form = Utf8ToUtf16(paper);
        if (dpi == 300)
            form += u"-3";
        else if (dpi == 600)
            form += u"-6";
        return form;
    }
    return {};
}

bool CModelDatabase::ApplyDefaultFormForModel(std::string_view driverName, DEVMODEW* devmode) {
    if (!devmode)
        return false;
    const std::u16string form = DefaultFormName(driverName);
    if (form.empty())
        return false;
    if (form.size() >= CCHFORMNAME) {
        host::TraceF("ApplyDefaultForm sFormName=%s is too long, form not set.\r\n",
                     Utf16ToUtf8(form).c_str());
        return false;
    }
    devmode->dmFields = (devmode->dmFields & ~static_cast<DWORD>(DM_PAPERSIZE)) | DM_FORMNAME;
    devmode->dmPaperSize = 0;
    std::u16string_view(form).copy(reinterpret_cast<char16_t*>(devmode->dmFormName), form.size());
    for (std::size_t i = form.size(); i < CCHFORMNAME; ++i)
        devmode->dmFormName[i] = 0;
    return true;
}

CModelDatabase& UiModelDatabase() {
    static CModelDatabase database(kModelDatabaseUiResource);
    return database;
}

std::optional<ModelSummary> DescribeModel(CModelDatabase& db, std::string_view modelName) {
    const pugi::xml_node driver = db.FindDriver(modelName);
    if (!driver)
        return std::nullopt;
    ModelSummary summary{};
    summary.name = driver.attribute("name").value();
    summary.cmd = db.GetDriverAttribute(driver, "cmd").value();
    summary.dpi = db.GetDPI(modelName);
    summary.headsize = db.GetDriverAttribute(driver, "headsize").as_int(0);
    summary.defaultPaper = db.GetDefaultPaperName(driver);
    summary.defaultForm = db.DefaultFormName(modelName);
    if (!summary.defaultForm.empty()) {
        for (const PaperListEntry& paper : db.PaperList()) {
            if (paper.name == summary.defaultPaper) {
                summary.lPaperWidth = paper.lWidth;
                summary.lPaperLength = paper.lLength;
                break;
            }
        }
    }
    return summary;
}

std::vector<ModelSummary> ListModels(CModelDatabase& db) {
    std::vector<ModelSummary> models;
    std::vector<std::string> seen;
    for (pugi::xml_node driver : db.Document().child("Drivers").children("Driver")) {
        const std::string name = driver.attribute("name").value();
        bool known = name.empty();
        for (const std::string& s : seen)
            known = known || EqualsNoCase(s, name);
        if (known)
            continue;
        seen.push_back(name);
        if (std::optional<ModelSummary> summary = DescribeModel(db, name))
            models.push_back(std::move(*summary));
    }
    return models;
}
