#pragma once
// Writing a coloured map as a PNG with its world file, for GIS tools.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace torvane::cli {

/**
 * @brief Writes `width` x `height` pixels of 8-bit RGBA (row by row from the top) as a PNG.
 *
 * The file is written beside `path` under a temporary name and renamed over it only when
 * complete, so an existing file is never left half written. False (with `error` set) on failure.
 */
bool writePngRgba(const std::filesystem::path& path, uint32_t width, uint32_t height,
                  std::span<const uint8_t> rgba, std::string& error);

/**
 * @brief Writes an ESRI world file: pixel width, two rotation terms (0), pixel height (negative
 * for north up), and the map coordinates of the centre of the top-left pixel. Written the same
 * safe way as the PNG.
 */
bool writeWorldFile(const std::filesystem::path& path, double pixelWidth, double pixelHeight,
                    double left, double top, std::string& error);

}  // namespace torvane::cli
