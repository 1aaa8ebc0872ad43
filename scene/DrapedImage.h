#pragma once
// The image draped over the terrain and its base image, drawn under it where the image is
// transparent. The scene keeps which files they are; an attached ImageDecoder turns them into
// pixels for drawing.

#include <filesystem>

namespace torvane {

class Scene;

/// Decodes the draped image files for drawing. The window attaches one that keeps the pixels
/// for its textures; without one, a file counts as an image when its first bytes carry the
/// JPEG or PNG signature.
class ImageDecoder {
public:
  virtual ~ImageDecoder() = default;
  /// Decodes the draped image and its base image; an empty `base` stands for the built-in plain
  /// white 100 x 100 image. False (keeping nothing) when the draped image cannot be decoded; a
  /// base image that cannot be decoded is simply left out.
  virtual bool decode(const std::filesystem::path& image, const std::filesystem::path& base) = 0;
  /// Forgets both images.
  virtual void release() = 0;
};

struct DrapedImage {
  bool loaded = false;
  std::filesystem::path path;       //!< the image as last loaded; kept after it is removed
  std::filesystem::path basePath;   //!< its base image file, empty for the built-in white image
  ImageDecoder* decoder = nullptr;  //!< not owned; must outlive its attachment
};

/// The base image beside an image: "photo.jpg" -> "photo_B.jpg", "x.PNG" -> "x_B.png"; every
/// name that does not end in ".png" gets "_B.jpg".
std::filesystem::path baseImagePath(const std::filesystem::path& image);

/// True when the file starts with the JPEG or the PNG signature.
bool hasImageSignature(const std::filesystem::path& path);

/**
 * @brief Drapes the image at `path` (".jpg" or ".png", any case) over the terrain.
 *
 * A wrong extension returns false and keeps the current image. Otherwise the current image is
 * released first, so a missing or undecodable file leaves none. The base image is the "_B"
 * file beside the image when it exists, else the built-in white one. The image colour mode is
 * the caller's to switch.
 */
bool LoadTexture(Scene& scene, const std::filesystem::path& path);

/// Releases the draped image and its base image (the path stays for reference).
void releaseDrapedImage(Scene& scene);

}  // namespace torvane
