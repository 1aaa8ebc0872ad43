#include "cli/PngFile.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace torvane::cli {

namespace {

std::filesystem::path tempPathFor(const std::filesystem::path& path) {
  std::filesystem::path temp = path;
  temp += ".tmp" + std::to_string(::getpid());
  return temp;
}

// Closes the file, renames it into place on success and removes it otherwise.
bool finish(std::FILE* file, bool ok, const std::filesystem::path& temp,
            const std::filesystem::path& path, std::string& error) {
  if (std::fflush(file) != 0 || std::ferror(file)) {
    ok = false;
    if (error.empty()) {
      error = "cannot write " + path.string() + ": " + std::strerror(errno);
    }
  }
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    error = "cannot write " + path.string() + ": " + std::strerror(errno);
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    error = "cannot replace " + path.string() + ": " + std::strerror(errno);
  }
  if (!ok) {
    std::remove(temp.c_str());
  }
  return ok;
}

// The libpng part, apart so that no object with a destructor lives across its longjmp.
bool encode(std::FILE* file, uint32_t width, uint32_t height, const uint8_t* rgba) {
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
  png_init_io(png, file);
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

bool writePngRgba(const std::filesystem::path& path, uint32_t width, uint32_t height,
                  std::span<const uint8_t> rgba, std::string& error) {
  if (width == 0 || height == 0 || width > PNG_UINT_31_MAX || height > PNG_UINT_31_MAX ||
      rgba.size() != static_cast<size_t>(width) * height * 4) {
    error = "no image to write";
    return false;
  }
  const std::filesystem::path temp = tempPathFor(path);
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) {
    error = "cannot write " + path.string() + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = encode(file, width, height, rgba.data());
  if (!ok) {
    error = "cannot encode " + path.string();
  }
  return finish(file, ok, temp, path, error);
}

bool writeWorldFile(const std::filesystem::path& path, double pixelWidth, double pixelHeight,
                    double left, double top, std::string& error) {
  const std::filesystem::path temp = tempPathFor(path);
  std::FILE* file = std::fopen(temp.c_str(), "w");
  if (!file) {
    error = "cannot write " + path.string() + ": " + std::strerror(errno);
    return false;
  }
  const bool ok =
      std::fprintf(file, "%.17g\n0\n0\n%.17g\n%.17g\n%.17g\n", pixelWidth, pixelHeight, left,
                   top) > 0;
  return finish(file, ok, temp, path, error);
}

}  // namespace torvane::cli
