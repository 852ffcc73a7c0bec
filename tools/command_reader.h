// Reads a printer command stream back into the pages the printer would print. It knows the
// four languages from their command layouts alone, with no code shared with the writers, so
// it can check them: TSPL BITMAP, ESC/POS GS v 0, CPCL CG and paperang row packets (CRC
// checked). Set-up commands are checked for their shape and otherwise skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One printed page: a set bit is a black dot, leftmost dot in the most significant bit.
struct PrintedPage {
    std::uint32_t width = 0;  // dots
    std::uint32_t height = 0;
    std::uint32_t bytesPerRow = 0;
    std::vector<std::uint8_t> dots;

    bool Black(std::uint32_t x, std::uint32_t y) const {
        return (dots[static_cast<std::size_t>(y) * bytesPerRow + x / 8] >> (7 - x % 8)) & 1;
    }
};

enum class CommandLanguage { Tspl, EscPos, Cpcl, Paperang };

// Language from its printer-data name ("tspl", "escpos", "cpcl", "paperang"); false if none.
bool CommandLanguageFromName(const std::string& name, CommandLanguage& language);

// Every page of the stream in order. False with a one-line reason when the stream holds
// anything these printers would not accept; the pages read so far are kept.
bool ReadCommandStream(CommandLanguage language, const std::uint8_t* bytes, std::size_t size,
                       std::vector<PrintedPage>& pages, std::string& error);

// The page as an 8-bit gray PNG, black dots black.
bool WritePagePng(const PrintedPage& page, const std::string& path, std::string& error);
