#include "render/DrapedTextures.h"

#include <QImageReader>
#include <QOpenGLFunctions_3_3_Core>
#include <algorithm>

namespace torvane {

namespace {

// The built-in base image: plain white, 100 x 100.
QImage whiteImage() {
  QImage white(100, 100, QImage::Format_RGBA8888);
  white.fill(Qt::white);
  return white;
}

uint32_t makeTexture(QOpenGLFunctions_3_3_Core* gl, const QImage& source) {
  if (source.isNull()) {
    return 0;
  }
  GLint maxSide = 0;
  gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  QImage image = source;
  if (maxSide > 0 && (image.width() > maxSide || image.height() > maxSide)) {
    image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  // Row 0 of the image (its top, north) is v = 0 of the terrain's texture coordinates.
  image = image.convertToFormat(QImage::Format_RGBA8888);
  GLuint id = 0;
  gl->glGenTextures(1, &id);
  gl->glBindTexture(GL_TEXTURE_2D, id);
  gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width(), image.height(), 0, GL_RGBA,
                   GL_UNSIGNED_BYTE, image.constBits());
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  gl->glBindTexture(GL_TEXTURE_2D, 0);
  return id;
}

}  // namespace

QImage DrapedTextures::readImage(const std::filesystem::path& path) {
  QImageReader reader(QString::fromStdString(path.string()));
  reader.setAutoTransform(false);
  const QSize size = reader.size();
  if (size.width() > kMaxImageSide || size.height() > kMaxImageSide) {
    reader.setScaledSize(size.scaled(kMaxImageSide, kMaxImageSide, Qt::KeepAspectRatio));
  }
  // Room for the largest image kept, and no more.
  reader.setAllocationLimit(kMaxImageSide / 1024 * kMaxImageSide / 1024 * 4 + 1);
  QImage image;
  if (!reader.read(&image)) {
    return {};
  }
  return image;
}

bool DrapedTextures::decode(const std::filesystem::path& image, const std::filesystem::path& base) {
  release();
  QImage decoded = readImage(image);
  if (decoded.isNull()) {
    return false;
  }
  mImage = std::move(decoded);
  mBase = base.empty() ? whiteImage() : readImage(base);
  return true;
}

void DrapedTextures::release() {
  mImage = QImage();
  mBase = QImage();
  ++mGeneration;
}

void DrapedTextures::sync(QOpenGLFunctions_3_3_Core* gl) {
  if (mUploaded == mGeneration) {
    return;
  }
  releaseTextures(gl);
  mImageTexture = makeTexture(gl, mImage);
  mBaseTexture = mImageTexture != 0 ? makeTexture(gl, mBase) : 0;
  mUploaded = mGeneration;
}

void DrapedTextures::releaseTextures(QOpenGLFunctions_3_3_Core* gl) {
  for (uint32_t* id : {&mImageTexture, &mBaseTexture}) {
    if (*id != 0) {
      const GLuint name = *id;
      gl->glDeleteTextures(1, &name);
      *id = 0;
    }
  }
  mUploaded = ~uint64_t{0};
}

void DrapedTextures::abandonTextures() {
  mImageTexture = 0;
  mBaseTexture = 0;
  mUploaded = ~uint64_t{0};
}

}  // namespace torvane
