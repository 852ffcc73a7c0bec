// Page pictures read from PNG, PGM (P5) and PPM (P6) files, first row = top of the page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PageImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 0;                  // 1 gray, 3 RGB
    std::vector<std::uint8_t> pixels;  // rows of width * channels bytes, no padding
};

// Largest page accepted: the picture container's own limit of 256 MiB, 32767 pixels a side.
constexpr std::uint32_t kMaxPageSide = 32767;
constexpr std::uint64_t kMaxPageBytes = 268435456;

// Reads the file; on failure returns false with a one-line reason in `error`.
bool ReadPageImage(const std::string& path, PageImage& image, std::string& error);
bool DecodePnm(const std::uint8_t* data, std::size_t size, PageImage& image, std::string& error);
