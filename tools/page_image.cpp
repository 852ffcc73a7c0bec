#include "tools/page_image.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

bool SizeAllowed(std::uint64_t width, std::uint64_t height, int channels, std::string& error) {
    if (width == 0 || height == 0 || width > kMaxPageSide || height > kMaxPageSide ||
        width * height * static_cast<std::uint64_t>(channels) > kMaxPageBytes) {
        error = "picture size " + std::to_string(width) + "x" + std::to_string(height) +
                " is outside 1.." + std::to_string(kMaxPageSide) + " pixels a side";
        return false;
    }
    return true;
}

// One header number of a PNM file, skipping white space and comments.
bool PnmNumber(const std::uint8_t* data, std::size_t size, std::size_t& at, std::uint64_t& value) {
    for (;;) {
        while (at < size && std::strchr(" \t\r\n\v\f", data[at]) && data[at])
            ++at;
        if (at < size && data[at] == '#') {
            while (at < size && data[at] != '\n')
                ++at;
            continue;
        }
        break;
    }
    if (at >= size || data[at] < '0' || data[at] > '9')
        return false;
    value = 0;
    while (at < size && data[at] >= '0' && data[at] <= '9') {
        value = value * 10 + (data[at++] - '0');
        if (value > 0xFFFFFFFFu)
            return false;
    }
    return true;
}

bool ReadPng(const std::string& path, PageImage& image, std::string& error) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = std::string("not a readable PNG file: ") + png.message;
        return false;
    }
    image.channels = (png.format & PNG_FORMAT_FLAG_COLOR) ? 3 : 1;
    if (!SizeAllowed(png.width, png.height, image.channels, error)) {
        png_image_free(&png);
        return false;
    }
    png.format = image.channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    image.width = png.width;
    image.height = png.height;
    image.pixels.assign(PNG_IMAGE_SIZE(png), 0);
    // Transparent areas print as paper: composed on white.
    png_color white{255, 255, 255};
    if (!png_image_finish_read(&png, &white, image.pixels.data(), 0, nullptr)) {
        error = std::string("damaged PNG file: ") + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

}  // namespace

bool DecodePnm(const std::uint8_t* data, std::size_t size, PageImage& image, std::string& error) {
    if (size < 2 || data[0] != 'P' || (data[1] != '5' && data[1] != '6')) {
        error = "not a PGM (P5) or PPM (P6) file";
        return false;
    }
    image.channels = data[1] == '5' ? 1 : 3;
    std::size_t at = 2;
    std::uint64_t width = 0, height = 0, maxval = 0;
    if (!PnmNumber(data, size, at, width) || !PnmNumber(data, size, at, height) ||
        !PnmNumber(data, size, at, maxval) || at >= size) {
        error = "damaged PGM/PPM header";
        return false;
    }
    ++at;  // the single white-space byte before the samples
    if (maxval == 0 || maxval > 65535) {
        error = "PGM/PPM maximum value must be 1..65535";
        return false;
    }
    if (!SizeAllowed(width, height, image.channels, error))
        return false;
    const std::uint64_t sampleBytes = maxval > 255 ? 2 : 1;
    const std::uint64_t samples = width * height * image.channels;
    if (size - at < samples * sampleBytes) {
        error = "PGM/PPM file is truncated";
        return false;
    }
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(height);
    image.pixels.resize(samples);
    const std::uint8_t* in = data + at;
    for (std::uint64_t i = 0; i < samples; ++i) {
        std::uint64_t v = sampleBytes == 2 ? (in[2 * i] << 8 | in[2 * i + 1]) : in[i];
        image.pixels[i] = static_cast<std::uint8_t>((v * 255 + maxval / 2) / maxval);
    }
    return true;
}

bool ReadPageImage(const std::string& path, PageImage& image, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    char magic[8] = {};
    file.read(magic, sizeof magic);
    if (file.gcount() >= 8 && png_sig_cmp(reinterpret_cast<png_const_bytep>(magic), 0, 8) == 0) {
        file.close();
        return ReadPng(path, image, error);
    }
    file.clear();
    file.seekg(0);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
    if (bytes.size() >= 2 && bytes[0] == 'P')
        return DecodePnm(bytes.data(), bytes.size(), image, error);
    error = path + ": unknown picture format (PNG, PGM or PPM expected)";
    return false;
}
