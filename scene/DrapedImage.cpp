#include "scene/DrapedImage.h"

#include <unistd.h>

#include <cstring>
#include <system_error>

#include "elevation/BinaryFile.h"
#include "elevation/Readers.h"
#include "scene/Scene.h"

namespace torvane {

std::filesystem::path baseImagePath(const std::filesystem::path& image) {
  const bool png = hasExtension(image, ".png");
  std::filesystem::path base = image;
  base.replace_extension();
  base += png ? "_B.png" : "_B.jpg";
  return base;
}

bool hasImageSignature(const std::filesystem::path& path) {
  uint64_t size = 0;
  const int fd = openRegularFile(path, size);
  if (fd < 0) {
    return false;
  }
  unsigned char head[8] = {};
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  static constexpr unsigned char kJpeg[] = {0xFF, 0xD8, 0xFF};
  static constexpr unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return (n >= 3 && std::memcmp(head, kJpeg, sizeof kJpeg) == 0) ||
         (n >= 8 && std::memcmp(head, kPng, sizeof kPng) == 0);
}

bool LoadTexture(Scene& scene, const std::filesystem::path& path) {
  if (!hasExtension(path, ".jpg") && !hasExtension(path, ".png")) {
    return false;
  }
  releaseDrapedImage(scene);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    return false;
  }
  std::filesystem::path base = baseImagePath(path);
  if (!std::filesystem::is_regular_file(base, ec)) {
    base.clear();
  }
  DrapedImage& image = scene.image;
  const bool decoded =
      image.decoder != nullptr ? image.decoder->decode(path, base) : hasImageSignature(path);
  if (!decoded) {
    return false;
  }
  image.loaded = true;
  image.path = path;
  image.basePath = base;
  return true;
}

void releaseDrapedImage(Scene& scene) {
  if (scene.image.decoder != nullptr) {
    scene.image.decoder->release();
  }
  scene.image.loaded = false;
  scene.image.basePath.clear();
}

}  // namespace torvane
