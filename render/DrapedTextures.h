#pragma once
// The draped image and its base image as OpenGL textures. Decodes the files for the scene
// (an ImageDecoder) and keeps the pixels, so that any context that draws the scene can make its
// textures from them: the window's, or the offscreen one of a saved image.

#include <QImage>
#include <cstdint>

#include "scene/DrapedImage.h"

class QOpenGLFunctions_3_3_Core;

namespace torvane {

class DrapedTextures final : public ImageDecoder {
public:
  //! Images larger than this on either side are decoded scaled down to fit (keeping their
  //! aspect), so that a huge photo cannot exhaust memory; the texture is then the scaled image.
  static constexpr int kMaxImageSide = 8192;

  DrapedTextures() = default;
  DrapedTextures(const DrapedTextures&) = delete;
  DrapedTextures& operator=(const DrapedTextures&) = delete;
  ~DrapedTextures() override = default;

  bool decode(const std::filesystem::path& image, const std::filesystem::path& base) override;
  void release() override;

  const QImage& image() const { return mImage; }
  const QImage& base() const { return mBase; }

  /// Makes the textures of the current images in the current context (after a decode or a
  /// release, or in a new context): nearest filtering, repeat wrapping, no mipmaps, scaled
  /// down to the context's largest texture size when needed.
  void sync(QOpenGLFunctions_3_3_Core* gl);
  //! OpenGL texture names after sync, 0 when there is no image.
  uint32_t imageTexture() const { return mImageTexture; }
  uint32_t baseTexture() const { return mBaseTexture; }

  /// Deletes the textures (the context must be current); the images stay for the next sync.
  void releaseTextures(QOpenGLFunctions_3_3_Core* gl);
  /// Forgets the textures of a context that is already gone.
  void abandonTextures();

  /// Reads an image file, scaled down to fit kMaxImageSide; a null image when it cannot be
  /// decoded.
  static QImage readImage(const std::filesystem::path& path);

private:
  QImage mImage;
  QImage mBase;
  uint64_t mGeneration = 0;  //!< changes with every decode and release
  uint64_t mUploaded = ~uint64_t{0};
  uint32_t mImageTexture = 0;
  uint32_t mBaseTexture = 0;
};

}  // namespace torvane
