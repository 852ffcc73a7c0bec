// The built-in model database: which models the package serves, their attributes with
// inheritance from parent models, their paper lists and the defaults taken from them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "host/win32_types.h"
#include "settings/resource_ids.h"

// One accepted paper of a model's list; sizes and margins in thousandths of a millimetre.
struct PaperListEntry {
    DWORD dwFlags;  // FORM_PRINTER
    int iNumber;    // 257 for the first accepted paper, then consecutive
    std::string name;
    int iRes;
    LONG lWidth;
    LONG lLength;
    LONG lLeft;
    LONG lTop;
    LONG lRight;
    LONG lBottom;
};

// Number of the first paper of a list; the numbers below are the system's paper sizes.
inline constexpr int kFirstPaperNumber = 257;

// Longest parent chain followed; the shipped data needs two links, a loop needs a stop.
inline constexpr int kMaxParentLinks = 8;

class CModelDatabase {
  public:
    explicit CModelDatabase(int resourceId = kModelDatabaseUiResource);

    // Parses the built-in resource once. A resource that is missing or empty is looked for
    // again by the next call; a malformed one is not parsed again.
    void LoadModelDatabase();
    // Uses these bytes as the document instead of the resource.
    pugi::xml_parse_result LoadFromBuffer(const void* data, std::size_t size);
    bool IsLoaded() const { return m_bLoaded; }
    // Back to the state before the first load.
    void Reset();

    // The document, loaded first.
    const pugi::xml_document& Document();

    pugi::xml_node FindDriver(std::string_view modelName);
    pugi::xml_node FindModelByUsbName(std::string_view hardwareId);
    pugi::xml_node FindParentDriver(pugi::xml_node driver);
    pugi::xml_attribute GetDriverAttribute(pugi::xml_node driver, const char* name);

    void InitPaperList(std::string_view modelName);
    std::size_t GetPaperCount(std::string_view modelName);
    const std::vector<PaperListEntry>& PaperList() const { return m_paperList; }

    int GetDPI(std::string_view modelName);
    std::string GetDefaultPaperName(pugi::xml_node driver);
    // The form name a new DEVMODE of this model gets: the default paper with the
    // resolution's suffix; empty when the model's list does not hold its default paper.
    std::u16string DefaultFormName(std::string_view driverName);

    // Sets the model's default form in a new DEVMODE of the host's printer, looked up by the
    // driver name through a full-access handle of its own.
    void ApplyDefaultForm(HANDLE hostPrinter, DEVMODEW* devmode);
    // The same for a known driver name; false when the DEVMODE was left unchanged.
    bool ApplyDefaultFormForModel(std::string_view driverName, DEVMODEW* devmode);

  private:
    pugi::xml_node Drivers();
    std::optional<PaperListEntry> ReadPaper(pugi::xml_node paper);

    int m_resourceId;
    bool m_bLoaded = false;
    pugi::xml_document m_doc;
    std::vector<PaperListEntry> m_paperList;
    std::string m_paperListModel;  // whose list m_paperList is
};

// The configuration plug-in's database (resource 147), shared by the whole process.
CModelDatabase& UiModelDatabase();

// The default-form step of the configuration plug-in's DevMode operation, on its database.
inline void ApplyDefaultForm(HANDLE hostPrinter, DEVMODEW* devmode) {
    UiModelDatabase().ApplyDefaultForm(hostPrinter, devmode);
}

// What the tools show of a model.
struct ModelSummary {
    std::string name;
    std::string cmd;  // "tspl", "escpos", "cpcl", "paperang"; empty when missing
    int dpi;
    int headsize;  // millimetres, 0 when missing
    std::string defaultPaper;
    std::u16string defaultForm;  // as a new DEVMODE gets it; empty when none
    LONG lPaperWidth;            // of the default paper, thousandths of a millimetre;
    LONG lPaperLength;           // 0 when the list does not hold it
};

std::optional<ModelSummary> DescribeModel(CModelDatabase& db, std::string_view modelName);
// Every model name once, in document order, described by its entry of this package.
std::vector<ModelSummary> ListModels(CModelDatabase& db);
