// Loads bytes as a model database (and as a language table) and runs every look-up on
// them; shared by the fuzz target and the unit test that replays its corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/trace.h"
#include "settings/language_table.h"
#include "settings/model_database.h"
#include "settings/printer_init.h"

inline void ExerciseModelDatabase(const std::uint8_t* data, std::size_t size) {
    CModelDatabase db;
    db.LoadFromBuffer(data, size);

    std::vector<std::string> names = {"Zendor LT-420T", "LP-100", ""};
    std::vector<std::string> usbNames;
    // Enough entries to reach parents and loops; all of them would make the run quadratic.
    constexpr int kNamesTried = 12;
    int drivers = 0;
    for (pugi::xml_node driver : db.Document().child("Drivers").children("Driver")) {
        if (++drivers > kNamesTried)
            continue;
        names.push_back(driver.attribute("name").value());
        names.push_back(driver.attribute("parent").value());
        usbNames.push_back(driver.attribute("usbname").value());
    }
    for (const std::string& name : names) {
        const pugi::xml_node driver = db.FindDriver(name);
        db.FindParentDriver(driver);
        db.GetDriverAttribute(driver, "dpi");
        db.GetDefaultPaperName(driver);
        db.GetDPI(name);
        db.GetPaperCount(name);
        DEVMODEW devmode{};
        devmode.dmFields = DM_PAPERSIZE;
        db.ApplyDefaultFormForModel(name, &devmode);
        InitialRecordsForModel(db, name);
    }
    for (const std::string& usb : usbNames)
        db.FindModelByUsbName(usb);
    if (drivers <= kNamesTried)
        ListModels(db);

    CLanguageTable table;
    table.LoadFromBuffer(data, size);
    for (const char* key : {"卷", "图形", "", "打印完"})
        table.Translate(key);

    host::ClearTrace();
}
