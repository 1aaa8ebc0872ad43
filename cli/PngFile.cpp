#include "cli/PngFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace torvane::cli {

namespace {

void appendToString(png_structp png, png_bytep data, png_size_t size) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}

void flushNothing(png_structp) {}

// The libpng part, apart so that no object with a destructor lives across its longjmp.
bool encode(std::string* out, uint32_t width, uint32_t height, const uint8_t* rgba) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) {
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, &appendToString, &flushNothing);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t row = 0; row < height; ++row) {
    png_write_row(png, rgba + static_cast<size_t>(row) * width * 4);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool encodePngRgba(uint32_t width, uint32_t height, std::span<const uint8_t> rgba, std::string& png,
                   std::string& error) {
  if (width == 0 || height == 0 || width > PNG_UINT_31_MAX || height > PNG_UINT_31_MAX ||
      rgba.size() != static_cast<size_t>(width) * height * 4) {
    error = "no image to write";
    return false;
  }
  png.clear();
  if (!encode(&png, width, height, rgba.data())) {
    error = "cannot encode the image";
    return false;
  }
  return true;
}

std::string worldFileText(double pixelWidth, double pixelHeight, double left, double top) {
  char text[160];
  std::snprintf(text, sizeof text, "%.17g\n0\n0\n%.17g\n%.17g\n%.17g\n", pixelWidth, pixelHeight,
                left, top);
  return text;
}

}  // namespace torvane::cli
