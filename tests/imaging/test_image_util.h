// Small builders shared by the imaging tests.
#pragma once

#include <string>
#include <vector>

#include "imaging/ximage.h"

// A gray 8-bit picture whose row y holds rows[y] (one level per pixel).
inline CxImage GrayImage(const std::vector<std::vector<BYTE>>& rows) {
    CxImage img;
    img.Create(static_cast<DWORD>(rows[0].size()), static_cast<DWORD>(rows.size()), 8);
    img.FillGrayPalette();
    for (DWORD y = 0; y < rows.size(); ++y) {
        for (DWORD x = 0; x < rows[y].size(); ++x)
            img.RowPointer(y)[x] = rows[y][x];
    }
    return img;
}

inline CxImage FlatGray(DWORD width, DWORD height, BYTE level) {
    return GrayImage(std::vector<std::vector<BYTE>>(height, std::vector<BYTE>(width, level)));
}

// Pixel indices of a palette picture, row by row, as '0'..'9'/'a'..'f' characters.
inline std::vector<std::string> IndexRows(const CxImage& img) {
    std::vector<std::string> rows;
    for (DWORD y = 0; y < img.Height(); ++y) {
        std::string row;
        for (DWORD x = 0; x < img.Width(); ++x) {
            row +=
                "0123456789abcdef"[img.GetIndex(static_cast<LONG>(x), static_cast<LONG>(y)) & 15];
        }
        rows.push_back(row);
    }
    return rows;
}
