#pragma once
// A coloured map as a PNG with its world file, for GIS tools. Both are made in memory; the
// caller writes them together with the safe writer (elevation/AtomicFile.h).

#include <cstdint>
#include <span>
#include <string>

namespace torvane::cli {

/**
 * @brief Encodes `width` x `height` pixels of 8-bit RGBA (row by row from the top) as a PNG.
 *
 * False (with `error` set) when the size does not match the pixels or libpng fails.
 */
bool encodePngRgba(uint32_t width, uint32_t height, std::span<const uint8_t> rgba, std::string& png,
                   std::string& error);

/// An ESRI world file: pixel width, two rotation terms (0), pixel height (negative for north
/// up), and the map coordinates of the centre of the top-left pixel.
std::string worldFileText(double pixelWidth, double pixelHeight, double left, double top);

}  // namespace torvane::cli
