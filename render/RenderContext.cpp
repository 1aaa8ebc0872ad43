#include "render/RenderContext.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainterPath>
#include <QSurfaceFormat>
#include <string>
#include <utility>

#include "view/TitleMesh.h"
#include "resources/Texts.h"

namespace torvane {

namespace {

// Reproduces the viewer's fixed-function pipeline: vertex colours, optional texture modulation,
// and linear vertex fog computed from the view-space depth (not the distance to the eye).
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColour;
layout(location = 2) in vec2 aTexCoord;
uniform mat4 uWorldViewProjection;
uniform mat4 uWorldView;
uniform bool uFog;
uniform float uFogStart;
uniform float uFogEnd;
uniform float uPointSize;
out vec4 vColour;
out vec2 vTexCoord;
out float vFog;
void main() {
  vec4 p = vec4(aPosition, 1.0);
  gl_Position = uWorldViewProjection * p;
  vColour = aColour;
  vTexCoord = aTexCoord;
  float depth = (uWorldView * p).z;
  float range = uFogEnd - uFogStart;
  vFog = uFog ? (range > 0.0 ? clamp((uFogEnd - depth) / range, 0.0, 1.0)
                             : (depth < uFogEnd ? 1.0 : 0.0))
              : 1.0;
  gl_PointSize = uPointSize;
}
)";

// The fragment stage follows the draw's TextureStage; the shader compares it with the constants
// that fragmentShaderSource() writes from the enum itself.
const char* kFragmentShaderBody = R"(
in vec4 vColour;
in vec2 vTexCoord;
in float vFog;
uniform int uTextureStage;
uniform sampler2D uTexture;
uniform vec4 uFogColour;
out vec4 fragColour;
void main() {
  vec4 c = vColour;
  if (uTextureStage == kStageGlyphs) {
    float coverage = texture(uTexture, vTexCoord).r;
    if (coverage <= 0.0) {
      discard;
    }
    c.a *= coverage;
  } else if (uTextureStage != kStageNone) {
    vec4 t = texture(uTexture, vTexCoord);
    c.rgb *= t.rgb;
    c.a = uTextureStage == kStageBaseAlpha ? t.a : c.a * t.a;
  }
  c.rgb = mix(uFogColour.rgb, c.rgb, vFog);
  fragColour = c;
}
)";

// The fragment shader: its version line, a GLSL constant for each texture stage, its body.
std::string fragmentShaderSource() {
  std::string source = "#version 330 core\n";
  const std::pair<const char*, TextureStage> stages[] = {
      {"kStageNone", TextureStage::None},
      {"kStageBaseAlpha", TextureStage::BaseAlpha},
      {"kStageModulate", TextureStage::Modulate},
      {"kStageGlyphs", TextureStage::Glyphs},
  };
  for (const auto& [name, stage] : stages) {
    source +=
        std::string("const int ") + name + " = " + std::to_string(static_cast<int>(stage)) + ";\n";
  }
  return source + kFragmentShaderBody;
}

// The title's face: the handwriting face it was drawn in where that is installed, otherwise
// DejaVu Sans, which Debian installs with fontconfig (fonts-dejavu-core), otherwise whatever
// sans-serif face fontconfig offers.
QString titleFamily() {
  for (const char* family : {"Segoe Print", "DejaVu Sans"}) {
    const QFont font(QString::fromUtf8(family));
    if (QFontInfo(font).family() == font.family()) {
      return font.family();
    }
  }
  QFont generic;
  generic.setStyleHint(QFont::SansSerif);
  return QFontInfo(generic).family();
}

bool hasJapanese(const QFont& font) {
  const QFontMetrics metrics(font);
  return metrics.inFontUcs4(0x30B4) && metrics.inFontUcs4(0x6A19);  // ゴ, 標
}

}  // namespace

RenderContext::~RenderContext() = default;

void RenderContext::setDefaultSurfaceFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  format.setSwapInterval(0);  // frames are presented at once
  QSurfaceFormat::setDefaultFormat(format);
}

QFont RenderContext::screenFont(int pixelSize) {
  QFont font(QString::fromUtf8(text(kTextScreenFont).data(),
                               static_cast<qsizetype>(text(kTextScreenFont).size())));
  font.setPixelSize(pixelSize);
  font.setWeight(QFont::Normal);
  // Only the face itself counts: a missing face resolves to a Latin default that still passes
  // the Japanese check through its fallbacks, and would draw Latin text in another face.
  if (QFontInfo(font).family() == font.family() && hasJapanese(font)) {
    return font;
  }
  for (const char* family : {"IPAGothic", "IPAゴシック", "Noto Sans CJK JP", "VL Gothic"}) {
    QFont fallback(QString::fromUtf8(family));
    fallback.setPixelSize(pixelSize);
    if (QFontInfo(fallback).family() == fallback.family() && hasJapanese(fallback)) {
      return fallback;
    }
  }
  QFont generic;
  generic.setStyleHint(QFont::SansSerif);
  generic.setPixelSize(pixelSize);
  return generic;
}

bool RenderContext::create(QOpenGLContext* context) {
  mError.clear();
  if (context == nullptr || !context->isValid()) {
    mError = QStringLiteral("no OpenGL context");
    return false;
  }
  const QSurfaceFormat format = context->format();
  if (context->isOpenGLES() || format.majorVersion() < 3 ||
      (format.majorVersion() == 3 && format.minorVersion() < 3)) {
    mError = QStringLiteral("OpenGL 3.3 core is not available (got %1.%2)")
                 .arg(format.majorVersion())
                 .arg(format.minorVersion());
    return false;
  }
  mGl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context);
  if (mGl == nullptr || !mGl->initializeOpenGLFunctions()) {
    mGl = nullptr;
    mError = QStringLiteral("OpenGL 3.3 core functions are not available");
    return false;
  }
  if (!buildProgram()) {
    mGl = nullptr;
    return false;
  }
  buildTitle();
  readDeviceInfo();
  return true;
}

void RenderContext::readDeviceInfo() {
  auto glString = [&](GLenum name) {
    const auto* s = reinterpret_cast<const char*>(mGl->glGetString(name));
    return std::string(s != nullptr ? s : "");
  };
  const std::string vendor = glString(GL_VENDOR);
  const std::string renderer = glString(GL_RENDERER);
  mDeviceName = vendor.empty() ? renderer : vendor + " " + renderer;
  // Mesa's software rasterisers run the vertex stage on the CPU.
  mSoftwareRenderer = renderer.find("llvmpipe") != std::string::npos ||
                      renderer.find("softpipe") != std::string::npos ||
                      renderer.find("swrast") != std::string::npos;
  GLint size = 0;
  mGl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  mMaxTextureSize = size;
  GLfloat range[2] = {0, 0};
  mGl->glGetFloatv(GL_POINT_SIZE_RANGE, range);
  mMaxPointSize = range[1];
}

DeviceDescription RenderContext::describeDevice(uint32_t primitiveLimit,
                                                uint32_t indexLimit) const {
  DeviceDescription d;
  d.description = mDeviceName;
  d.softwareVertexProcessing = mSoftwareRenderer;
  d.maxVertexIndex = indexLimit;
  d.maxPrimitiveCount = primitiveLimit;
  d.maxTextureWidth = d.maxTextureHeight = mMaxTextureSize;
  d.maxPointSize = mMaxPointSize;
  return d;
}

bool RenderContext::buildProgram() {
  auto compile = [&](GLenum type, const char* source) -> GLuint {
    const GLuint shader = mGl->glCreateShader(type);
    mGl->glShaderSource(shader, 1, &source, nullptr);
    mGl->glCompileShader(shader);
    GLint ok = GL_FALSE;
    mGl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
      char log[1024] = {};
      mGl->glGetShaderInfoLog(shader, sizeof log, nullptr, log);
      mError = QStringLiteral("shader: ") + QString::fromUtf8(log);
      mGl->glDeleteShader(shader);
      return 0;
    }
    return shader;
  };
  const GLuint vs = compile(GL_VERTEX_SHADER, kVertexShader);
  const std::string fragmentSource = fragmentShaderSource();
  const GLuint fs = vs ? compile(GL_FRAGMENT_SHADER, fragmentSource.c_str()) : 0;
  if (vs == 0 || fs == 0) {
    if (vs) {
      mGl->glDeleteShader(vs);
    }
    return false;
  }
  mProgram = mGl->glCreateProgram();
  mGl->glAttachShader(mProgram, vs);
  mGl->glAttachShader(mProgram, fs);
  mGl->glLinkProgram(mProgram);
  mGl->glDeleteShader(vs);
  mGl->glDeleteShader(fs);
  GLint ok = GL_FALSE;
  mGl->glGetProgramiv(mProgram, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    char log[1024] = {};
    mGl->glGetProgramInfoLog(mProgram, sizeof log, nullptr, log);
    mError = QStringLiteral("program: ") + QString::fromUtf8(log);
    mGl->glDeleteProgram(mProgram);
    mProgram = 0;
    return false;
  }
  mUniformMvp = mGl->glGetUniformLocation(mProgram, "uWorldViewProjection");
  mUniformWorldView = mGl->glGetUniformLocation(mProgram, "uWorldView");
  mUniformFog = mGl->glGetUniformLocation(mProgram, "uFog");
  mUniformFogColour = mGl->glGetUniformLocation(mProgram, "uFogColour");
  mUniformFogStart = mGl->glGetUniformLocation(mProgram, "uFogStart");
  mUniformFogEnd = mGl->glGetUniformLocation(mProgram, "uFogEnd");
  mUniformTextureStage = mGl->glGetUniformLocation(mProgram, "uTextureStage");
  mUniformTexture = mGl->glGetUniformLocation(mProgram, "uTexture");
  mUniformPointSize = mGl->glGetUniformLocation(mProgram, "uPointSize");
  return true;
}

void RenderContext::buildTitle() {
  // The program name in a bold italic face, as glyph outlines with the em about one unit high
  // and y pointing up; the extrusion depth is relative to that em.
  QFont font(titleFamily());
  font.setPixelSize(100);
  font.setBold(true);
  font.setItalic(true);
  QPainterPath path;
  const std::string_view name = text(kTextClassName);
  path.addText(0, 0, font, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  std::vector<Outline> outlines;
  for (const QPolygonF& polygon : path.toSubpathPolygons()) {
    Outline outline;
    outline.reserve(static_cast<size_t>(polygon.size()));
    for (const QPointF& p : polygon) {
      outline.push_back({p.x() / 100.0, -p.y() / 100.0});
    }
    if (outline.size() > 2 && outline.front().x == outline.back().x &&
        outline.front().y == outline.back().y) {
      outline.pop_back();  // closed polygons repeat their first point
    }
    outlines.push_back(std::move(outline));
  }
  const std::vector<LineVertex> lines = buildTitleWireframe(outlines);
  if (lines.empty()) {
    return;  // without a title the idle frame shows only the background
  }
  mGl->glGenVertexArrays(1, &mTitleVao);
  mGl->glGenBuffers(1, &mTitleVbo);
  mGl->glBindVertexArray(mTitleVao);
  mGl->glBindBuffer(GL_ARRAY_BUFFER, mTitleVbo);
  mGl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(lines.size() * sizeof(LineVertex)),
                    lines.data(), GL_STATIC_DRAW);
  const auto stride = static_cast<GLsizei>(sizeof(LineVertex));
  mGl->glEnableVertexAttribArray(0);
  mGl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
  mGl->glEnableVertexAttribArray(1);
  mGl->glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                             reinterpret_cast<const void*>(offsetof(LineVertex, colour)));
  mGl->glBindVertexArray(0);
  mGl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  mTitleVertexCount = static_cast<int>(lines.size());
}

void RenderContext::resize(int width, int height) {
  mWidth = width > 0 ? width : 0;
  mHeight = height > 0 ? height : 0;
  if (mGl) {
    applyRenderStates();
  }
  // Screen text is drawn without antialiasing, crisp as the bitmap faces of the original font.
  mSmallFont = screenFont(12);
  mSmallFont.setStyleStrategy(QFont::NoAntialias);
  mLargeFont = screenFont(14);
  mLargeFont.setStyleStrategy(QFont::NoAntialias);
}

void RenderContext::applyRenderStates() {
  mGl->glEnable(GL_DEPTH_TEST);
  mGl->glDepthFunc(GL_LEQUAL);
  mGl->glDepthMask(GL_TRUE);
  mGl->glEnable(GL_BLEND);
  // Colours blend by source alpha; the framebuffer's own alpha stays opaque, as a back buffer
  // without alpha would, so the frame composes and saves the same everywhere.
  mGl->glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
  mGl->glBlendEquation(GL_FUNC_ADD);
  mGl->glDisable(GL_CULL_FACE);
  mGl->glDisable(GL_SCISSOR_TEST);
  mGl->glDisable(GL_STENCIL_TEST);
  mGl->glDisable(GL_POLYGON_OFFSET_FILL);
  mGl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  mGl->glEnable(GL_PROGRAM_POINT_SIZE);
  mGl->glActiveTexture(GL_TEXTURE0);
  mGl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void RenderContext::useProgram(const ShaderFrame& frame) {
  mGl->glUseProgram(mProgram);
  mGl->glUniformMatrix4fv(mUniformMvp, 1, GL_FALSE, frame.worldViewProjection.data());
  mGl->glUniformMatrix4fv(mUniformWorldView, 1, GL_FALSE, frame.worldView.data());
  mGl->glUniform1i(mUniformFog, frame.fog ? 1 : 0);
  mGl->glUniform4fv(mUniformFogColour, 1, frame.fogColour.data());
  mGl->glUniform1f(mUniformFogStart, frame.fogStart);
  mGl->glUniform1f(mUniformFogEnd, frame.fogEnd);
  mGl->glUniform1i(mUniformTexture, 0);
  mGl->glUniform1i(mUniformTextureStage, 0);
  mGl->glUniform1f(mUniformPointSize, 1.0f);
}

void RenderContext::setTextureStage(TextureStage stage) {
  mGl->glUniform1i(mUniformTextureStage, static_cast<int>(stage));
}

void RenderContext::setPointSize(float size) { mGl->glUniform1f(mUniformPointSize, size); }

void RenderContext::drawTitle() {
  if (mTitleVertexCount == 0) {
    return;
  }
  mGl->glBindVertexArray(mTitleVao);
  mGl->glDrawArrays(GL_LINES, 0, mTitleVertexCount);
  mGl->glBindVertexArray(0);
}

void RenderContext::abandon() {
  mTerrain.abandon();
  mOverlayBuffers.abandon();
  mContourBuffers.abandon();
  mOverlayPasses.abandon();
  mTitleVao = mTitleVbo = 0;
  mTitleVertexCount = 0;
  mProgram = 0;
  mGl = nullptr;
}

void RenderContext::releaseAll() {
  if (mGl == nullptr) {
    return;
  }
  mTerrain.destroy(mGl);
  mOverlayBuffers.destroy(mGl);
  mContourBuffers.destroy(mGl);
  mOverlayPasses.destroy(mGl);
  if (mTitleVao != 0) {
    mGl->glDeleteBuffers(1, &mTitleVbo);
    mGl->glDeleteVertexArrays(1, &mTitleVao);
    mTitleVao = mTitleVbo = 0;
    mTitleVertexCount = 0;
  }
  if (mProgram != 0) {
    mGl->glDeleteProgram(mProgram);
    mProgram = 0;
  }
  mGl = nullptr;
}

}  // namespace torvane
