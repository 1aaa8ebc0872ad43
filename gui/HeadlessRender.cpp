#include "gui/HeadlessRender.h"

#include <QBuffer>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLPaintDevice>
#include <QPainter>
#include <QTextStream>
#include <cstdio>

#include "gui/QtText.h"
#include "scene/Scene.h"
#include "elevation/Readers.h"
#include "render/DrapedTextures.h"
#include "render/FrameRenderer.h"
#include "render/RenderContext.h"
#include "resources/Texts.h"
#include "scene/ProjectFile.h"

namespace torvane {

namespace {
constexpr int kMaxImageSide = 16384;

bool parsePair(const QString& text, QChar separator, long long& a, long long& b) {
  const QStringList parts = text.split(separator);
  if (parts.size() != 2) {
    return false;
  }
  bool okA = false, okB = false;
  a = parts[0].toLongLong(&okA);
  b = parts[1].toLongLong(&okB);
  return okA && okB;
}
}  // namespace

std::optional<RenderRequest> parseRenderArgs(const QStringList& args, QString& problem) {
  RenderRequest request;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == QLatin1String("--output") || arg == QLatin1String("--size") ||
        arg == QLatin1String("--limits")) {
      if (!hasValue) {
        problem = arg + QStringLiteral(" needs a value");
        return std::nullopt;
      }
      const QString value = args[++i];
      long long a = 0, b = 0;
      if (arg == QLatin1String("--output")) {
        request.output = value.toStdString();
      } else if (arg == QLatin1String("--size")) {
        if (!parsePair(value, QLatin1Char('x'), a, b) || a < 1 || b < 1 || a > kMaxImageSide ||
            b > kMaxImageSide) {
          problem = QStringLiteral("--size must be WxH with sides 1..%1").arg(kMaxImageSide);
          return std::nullopt;
        }
        request.width = static_cast<int>(a);
        request.height = static_cast<int>(b);
      } else {
        if (!parsePair(value, QLatin1Char(','), a, b) || a < 1 || b < 1 || a > 0xFFFFFFFFll ||
            b > 0xFFFFFFFFll) {
          problem = QStringLiteral("--limits must be PRIM,INDEX");
          return std::nullopt;
        }
        request.limits.primitiveLimit = static_cast<uint32_t>(std::min(a, 10'000'000ll));
        request.limits.indexLimit = static_cast<uint32_t>(b);
      }
    } else if (arg.startsWith(QLatin1String("--"))) {
      problem = QStringLiteral("unknown option ") + arg;
      return std::nullopt;
    } else {
      request.files.emplace_back(arg.toStdString());
    }
  }
  if (request.files.empty()) {
    problem = QStringLiteral("no elevation file given");
    return std::nullopt;
  }
  if (hasExtension(request.files.front(), ".tvp") && request.files.size() != 1) {
    problem = QStringLiteral("a project is rendered alone");
    return std::nullopt;
  }
  if (!request.output.empty() && !hasExtension(request.output, ".png") &&
      !hasExtension(request.output, ".jpg") && !hasExtension(request.output, ".jpeg")) {
    problem = QStringLiteral("--output must end in .png, .jpg or .jpeg");
    return std::nullopt;
  }
  if (request.output.empty()) {
    problem = QStringLiteral("--output is required");
    return std::nullopt;
  }
  return request;
}

QImage renderSceneImage(Scene& scene, int width, int height, QString& error,
                        DrapedTextures* textures) {
  QOpenGLContext context;
  context.setFormat(QSurfaceFormat::defaultFormat());
  if (!context.create()) {
    error = QStringLiteral("no OpenGL context");
    return {};
  }
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  if (!context.makeCurrent(&surface)) {
    error = QStringLiteral("cannot make the OpenGL context current");
    return {};
  }
  QImage image;
  {
    RenderContext device;
    if (!device.create(&context)) {
      error = device.error();
      context.doneCurrent();
      return {};
    }
    QOpenGLFramebufferObject fbo(width, height, QOpenGLFramebufferObject::CombinedDepthStencil);
    if (!fbo.isValid()) {
      error = QStringLiteral("cannot create a %1 x %2 framebuffer").arg(width).arg(height);
      device.releaseAll();
      context.doneCurrent();
      return {};
    }
    fbo.bind();
    device.resize(width, height);
    scene.mesh.setDevice(&device.terrainBuffers());
    scene.overlays.setDevice(&device.overlayBuffers());
    scene.contours.setDevice(&device.contourBuffers());
    FrameInput input{scene.view, scene.grid};
    input.scene = &scene;
    if (textures != nullptr) {
      textures->sync(device.gl());
      input.imageTexture = textures->imageTexture();
      input.baseTexture = textures->baseTexture();
    }
    renderFrame(device, input, width, height);
    if (frameHasScreenPasses(device, input)) {
      QOpenGLPaintDevice paintDevice(width, height);
      QPainter painter(&paintDevice);
      paintScreenPasses(painter, device, input, width, height);
    }
    image = fbo.toImage().convertToFormat(QImage::Format_RGB32);  // rows top-down, as on screen
    fbo.release();
    scene.mesh.setDevice(nullptr);
    scene.overlays.setDevice(nullptr);
    scene.contours.setDevice(nullptr);
    if (textures != nullptr) {
      textures->releaseTextures(device.gl());
    }
    device.releaseAll();
  }
  context.doneCurrent();
  return image;
}

bool saveImage(const QImage& image, const std::filesystem::path& path, const WriteGuard& guard,
               WriteError& error) {
  // Refused targets are refused before the work of encoding.
  if (!checkWriteTarget(path, guard, &error)) {
    return false;
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, hasExtension(path, ".png") ? "PNG" : "JPG")) {
    error = {WriteError::Kind::Content, 0, path, "cannot encode the image"};
    return false;
  }
  return writeFileAtomically(
      path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), guard, &error);
}

int runRenderCommand(const QStringList& args) {
  QTextStream err(stderr);
  QString problem;
  const std::optional<RenderRequest> request = parseRenderArgs(args, problem);
  if (!request) {
    err << "torvane --render: " << problem << "\n"
        << "usage: torvane --render (PROJECT.tvp | ELEVATION_FILE...) --output OUT.jpg|OUT.png"
           " [--size WxH] [--limits PRIM,INDEX]\n";
    return 2;
  }
  // An output that is one of the inputs is refused before anything is loaded.
  WriteError refused;
  if (!checkWriteTarget(request->output, WriteGuard{request->files}, &refused)) {
    err << QString::fromStdString(refused.message()) << "\n";
    return 1;
  }
  DrapedTextures textures;
  Scene scene;
  scene.limits = request->limits;
  scene.image.decoder = &textures;
  const std::filesystem::path& first = request->files.front();
  FileProblems problems;
  const bool opened = hasExtension(first, ".tvp")
                          ? LoadProject(scene, first, {}, &problems)
                          : openElevationData(scene, request->files, {}, &problems);
  if (!opened) {
    err << qtext(kTextNoValidData) << "\n";
  }
  for (const FileProblem& p : problems) {
    err << QString::fromStdString(p.path.string()) << ": " << QString::fromStdString(p.reason)
        << "\n";
  }
  if (!opened) {
    return 1;
  }
  QString error;
  const QImage image = renderSceneImage(scene, request->width, request->height, error, &textures);
  if (image.isNull()) {
    err << qtext(kTextNoDirectX) << " (" << error << ")\n";
    return 1;
  }
  // The files the project brought in (layers, the draped image) are inputs too.
  std::vector<std::filesystem::path> inputs = inputFiles(scene);
  inputs.insert(inputs.end(), request->files.begin(), request->files.end());
  WriteError failure;
  if (!saveImage(image, request->output, WriteGuard{inputs}, failure)) {
    err << QString::fromStdString(failure.message()) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace torvane
