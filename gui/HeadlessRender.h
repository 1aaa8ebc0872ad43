#pragma once
// `torvane --render (PROJECT.tvp | ELEVATION FILE...) --output OUT.jpg|png [--size WxH]
// [--limits P,I]`: loads the project (as the window does) or opens the files, draws one frame
// exactly as the window would at that client size into an offscreen framebuffer, and writes it
// (JPEG, or PNG for a .png name). Needs a display like the window.

#include <QImage>
#include <QString>
#include <filesystem>
#include <optional>
#include <vector>

#include "elevation/AtomicFile.h"
#include "elevation/OpenPipeline.h"

namespace torvane {

class DrapedTextures;
class Scene;

struct RenderRequest {
  std::vector<std::filesystem::path> files;
  std::filesystem::path output;
  int width = 800;
  int height = 600;
  DeviceLimits limits;
};

/// Parses the arguments after "--render". On bad usage returns std::nullopt with `problem`.
std::optional<RenderRequest> parseRenderArgs(const QStringList& args, QString& problem);

/**
 * @brief Draws one frame of `scene` at width x height into an offscreen framebuffer.
 *
 * Needs a QGuiApplication whose platform offers OpenGL. Returns a null image with `error` set
 * when no OpenGL 3.3 core context can be made. The scene's mesh is attached to the offscreen
 * buffers for the duration of the call; `textures`, when given, supplies the draped image.
 */
QImage renderSceneImage(Scene& scene, int width, int height, QString& error,
                        DrapedTextures* textures = nullptr);

/// Encodes the image in memory (JPEG, or PNG when the name ends in ".png") and writes it with
/// the safe writer (elevation/AtomicFile.h), refusing a target among `guard`'s inputs. False,
/// with `error` set and nothing replaced, on failure.
bool saveImage(const QImage& image, const std::filesystem::path& path, const WriteGuard& guard,
               WriteError& error);

/// The whole command: returns the exit status (0 written, 1 failed, 2 bad usage).
int runRenderCommand(const QStringList& args);

}  // namespace torvane
