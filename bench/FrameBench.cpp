// Frame benchmark: draws the main view's frame (800 x 600, plan view, one sub-grid) into an
// offscreen framebuffer for synthetic terrains of about 1, 3.4 and 10 million nodes, and prints
// median times per frame: the whole frame up to glFinish, the time the frame call takes to
// submit its work, and the time our own code spends outside OpenGL (transforms, uniforms, draw
// ranges), with the bytes uploaded per frame (should be 0 after the first frame). Then a
// scripted left-button drag over the 10 million node terrain: per frame, the mouse move goes
// through view control (the pan by unprojection) and the frame is drawn; it prints the CPU time
// spent outside OpenGL per frame, the heap allocations per frame and the bytes uploaded. Over
// the 1 million node terrain it also draws 10,000 labelled marks and 100,000 polylines with all
// of the screen furniture, against the bare terrain frame of the same run.
//
// Needs an X display with OpenGL 3.3 core; on a server run it under
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/gui/torvane-bench-frame [REPEATS]
// The 10 million node grid needs more primitives than the default device limit allows (which
// would thin it to about 5 million nodes), so its limits are raised for the benchmark.

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLPaintDevice>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "bench/BenchSupport.h"
#include "overlay/OverlayStore.h"
#include "render/GroupBuffers.h"
#include "view/Furniture.h"
#include "view/ScreenTexts.h"
#include "scene/Scene.h"
#include "render/FrameRenderer.h"
#include "render/RenderContext.h"
#include "view/Transforms.h"
#include "view/ViewControl.h"

// Heap allocations of the whole process, counted to show that a camera-only frame makes none.
namespace {
std::atomic<uint64_t> gAllocations{0};
}
void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    return p;
  }
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using torvane::bench::Clock;
using torvane::bench::median;

namespace {

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A smooth volcano-like surface of side x side nodes, 10 m apart, opened as the program does
// after its readers (analysis, mesh, relief, colours, indices).
bool buildScene(torvane::Scene& scene, uint32_t side) {
  scene.limits.primitiveLimit = 2 * side * side;
  scene.limits.indexLimit = 0xFFFFFFFFu;
  scene.clearScene();
  torvane::ElevationGrid& grid = scene.grid;
  grid.GeoCoordinates = false;
  if (!grid.recordFile("synthetic.tvd", side, side)) {
    return false;
  }
  const auto plan = torvane::planSampling(grid, scene.limits);
  if (!plan || plan->step != 1 || !grid.allocateGrid(plan->nodeTotal)) {
    return false;
  }
  torvane::bench::appendVolcanoNodes(grid, side, 40, 40);
  return grid.computeExtents() && scene.postProcess(*plan);
}

// A left-button drag across the view, one mouse move per frame, as the window handles it: view
// control pans by unprojecting through the last frame, then the frame is drawn.
void scriptedDrag(torvane::Scene& scene, torvane::RenderContext& device, int width, int height,
                  int frames) {
  torvane::InputState input;
  torvane::ViewWindow window{width, height, torvane::frameGeometryFor(scene.view, width, height)};
  const torvane::FrameInput frameInput{scene.view, scene.grid};
  torvane::viewMousePress(scene, input, window, 200, 200);
  std::vector<double> ours, cpu, wall;
  // Reserved, so that the measurements' own storage is not counted among the frame's allocations.
  ours.reserve(frames);
  cpu.reserve(frames);
  wall.reserve(frames);
  uint64_t allocations = 0;
  const uint64_t uploadedBefore = device.terrainBuffers().uploadedBytes();
  for (int i = 1; i <= frames; ++i) {
    const double cpuStart = torvane::bench::threadCpuSeconds();
    const auto start = Clock::now();
    const uint64_t allocStart = gAllocations.load();
    // Our part of the frame outside OpenGL: the move through view control and the matrices the
    // frame and the next pan use.
    torvane::viewMouseMove(scene, input, window, 200 + (i % 200), 200 + (i % 150), true, false);
    window.frame = torvane::frameGeometryFor(scene.view, width, height);
    ours.push_back((torvane::bench::threadCpuSeconds() - cpuStart) * 1e6);
    torvane::renderFrame(device, frameInput, width, height);
    device.gl()->glFinish();
    allocations += gAllocations.load() - allocStart;
    cpu.push_back((torvane::bench::threadCpuSeconds() - cpuStart) * 1e3);
    wall.push_back(msSince(start));
  }
  torvane::viewMouseRelease(scene, input, window, torvane::MouseButton::Left, 200, 200);
  const uint64_t uploaded = device.terrainBuffers().uploadedBytes() - uploadedBefore;
  std::printf("scripted drag over %u nodes, %d frames: our CPU outside GL %.2f us/frame, "
              "frame CPU %.2f ms, frame wall %.2f ms, %.2f allocations/frame, %llu bytes "
              "uploaded\n",
              scene.grid.count, frames, median(ours), median(cpu), median(wall),
              static_cast<double>(allocations) / frames, static_cast<unsigned long long>(uploaded));
  std::fflush(stdout);
}

// The line/point layers and the furniture over the 1 million node terrain: 10,000 labelled
// marks and 100,000 three-point tracks in the layer store, every screen pass on (compass,
// trackbars, status bar, data frame and axes, readout), against the bare terrain frame of the
// same run. Our CPU time outside OpenGL is the per-frame work of our own code: the cached draw
// batches' check, the screen texts and the furniture's shapes.
void furnitureFrames(torvane::Scene& scene, torvane::RenderContext& device, int width, int height,
                     int repeats) {
  using namespace torvane;
  OverlayStore& store = scene.overlays;
  constexpr int kMarks = 10000, kTracks = 100000;
  if (!store.allocateOverlayStore(kMarks + 3 * kTracks)) {
    std::fprintf(stderr, "cannot allocate the layer store\n");
    return;
  }
  {
    GroupStore::Builder b(store);
    b.begin(kKindNmea, 0xFFFF8000);
    store.setNewLayer("tracks", 0, kDrawLineStrip);
    for (int i = 0; i < kTracks; ++i) {
      const float x = -0.9f + 1.8f * float(i % 400) / 400, y = -0.9f + 1.8f * float(i / 400) / 250;
      for (int k = 0; k < 3; ++k) {
        b.append({x + 0.002f * float(k), y + 0.001f * float(k), -0.3f, 0xFFFF8000}, 0);
      }
      b.close();
    }
    b.finish();
    b.begin(kKindMark, 0xFFFFFFFF);
    store.setNewLayer("marks", 10, kDrawMarks);
    for (int i = 0; i < kMarks; ++i) {
      store.setLabel(b.nextIndex(), "点" + std::to_string(i % 500));
      b.append({-0.9f + 1.8f * float(i % 100) / 100, -0.9f + 1.8f * float(i / 100) / 100, -0.3f,
                0xFFFFFFFF},
               0);
      b.close();
    }
    b.finish();
  }
  store.setDevice(&device.overlayBuffers());
  ViewState& view = scene.view;
  DrawBatchCache cache;  // as the frame keeps its batches: built once, checked every frame
  auto measure = [&](bool furniture, std::vector<double>& wall, std::vector<double>& ours) {
    view.compass = view.trackbar = view.statusBar = view.readout = furniture;
    view.frameMode = furniture ? 2 : 0;
    FrameInput input{view, scene.grid};
    input.scene = furniture ? &scene : nullptr;
    for (int i = -1; i < repeats; ++i) {  // the first frame uploads and lays out, untimed
      view.RotaZ = 0.01 * i;
      const auto start = Clock::now();
      renderFrame(device, input, width, height);
      if (frameHasScreenPasses(device, input)) {
        QOpenGLPaintDevice paintDevice(width, height);
        QPainter painter(&paintDevice);
        paintScreenPasses(painter, device, input, width, height);
      }
      device.gl()->glFinish();
      if (i < 0) {
        continue;
      }
      wall.push_back(msSince(start));
      const auto cpuStart = Clock::now();
      if (furniture) {
        volatile size_t sink = 0;
        sink = sink + cache.batches(store, device.overlayBuffers().generation(), true).size();
        sink = sink + statusLeftText(view, scene.grid).size() +
               statusCentreText(view, scene.grid).size() +
               statusRightText(std::nullopt, store.pointTotal(), scene.grid.count).size();
        sink = sink + compassStrokes(view.RotaZ, width).size() +
               3 * trackbarStrokes(15, height - 25, 20).size() +
               readoutLines(view, ReadoutInput{}).size() +
               dataFrameVertices(scene.grid, scene.mesh.fit(), view.Scale).size() +
               dataFrameCaptions(scene.grid, scene.mesh.fit(), view.Scale).size();
      }
      ours.push_back(msSince(cpuStart) * 1000.0);
    }
  };
  cache.batches(store, device.overlayBuffers().generation(), true);
  std::vector<double> bareWall, bareOurs, fullWall, fullOurs;
  measure(false, bareWall, bareOurs);
  measure(true, fullWall, fullOurs);
  std::printf("layers and furniture over %u nodes (%d labelled marks, %d polylines): "
              "bare frame %.2f ms, with them %.2f ms (x%.2f), our CPU outside GL %.1f us/frame\n",
              scene.grid.count, kMarks, kTracks, median(bareWall), median(fullWall),
              median(fullWall) / median(bareWall), median(fullOurs));
  std::fflush(stdout);
  store.setDevice(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  torvane::RenderContext::setDefaultSurfaceFormat();
  QGuiApplication app(argc, argv);
  const int repeats = argc > 1 ? std::max(3, std::atoi(argv[1])) : 9;

  QOpenGLContext context;
  QOffscreenSurface surface;
  if (!context.create()) {
    std::fprintf(stderr, "no OpenGL context\n");
    return 1;
  }
  surface.setFormat(context.format());
  surface.create();
  context.makeCurrent(&surface);
  torvane::RenderContext device;
  if (!device.create(&context)) {
    std::fprintf(stderr, "%s\n", qPrintable(device.error()));
    return 1;
  }
  const int width = 800, height = 600;
  QOpenGLFramebufferObject fbo(width, height, QOpenGLFramebufferObject::CombinedDepthStencil);
  fbo.bind();
  device.resize(width, height);
  std::printf("renderer: %s\n",
              reinterpret_cast<const char*>(device.gl()->glGetString(GL_RENDERER)));
  std::printf("%10s %12s %12s %14s %16s %14s\n", "nodes", "frame ms", "submit ms", "our CPU us",
              "upload B/frame", "frames/s");

  for (const uint32_t side : {1000u, 1844u, 3162u}) {
    torvane::Scene scene;
    const auto buildStart = Clock::now();
    if (!buildScene(scene, side)) {
      std::fprintf(stderr, "cannot build a %u x %u grid\n", side, side);
      return 1;
    }
    const double buildMs = msSince(buildStart);
    scene.mesh.setDevice(&device.terrainBuffers());
    const torvane::FrameInput input{scene.view, scene.grid};
    torvane::renderFrame(device, input, width, height);  // first frame uploads the buffers
    device.gl()->glFinish();

    std::vector<double> frame, submit, ours;
    const uint64_t uploadedBefore = device.terrainBuffers().uploadedBytes();
    for (int i = 0; i < repeats; ++i) {
      scene.view.RotaZ = 0.01 * i;  // a new camera each frame, as auto-rotation does
      const auto start = Clock::now();
      torvane::renderFrame(device, input, width, height);
      submit.push_back(msSince(start));
      device.gl()->glFinish();
      frame.push_back(msSince(start));

      // Our own per-frame work without OpenGL: the transforms and their conversion, and the
      // draw ranges' bookkeeping (done once per open, so only the flag checks remain).
      const auto cpuStart = Clock::now();
      const auto t = torvane::computeFrameTransforms(scene.view, width, height);
      volatile float sink =
          torvane::toGlClip(t.worldViewProjection())[0] + torvane::toGlFloats(t.worldView())[0];
      for (const torvane::GridFile& f : scene.grid.files) {
        sink = sink + (f.shown ? 1.0f : 0.0f);
      }
      ours.push_back(msSince(cpuStart) * 1000.0);
    }
    const uint64_t uploaded = device.terrainBuffers().uploadedBytes() - uploadedBefore;
    const double med = median(frame);
    std::printf("%10u %12.2f %12.3f %14.2f %16llu %14.2f   (grid built in %.0f ms)\n",
                scene.grid.count, med, median(submit), median(ours),
                static_cast<unsigned long long>(uploaded / static_cast<uint64_t>(repeats)),
                med > 0 ? 1000.0 / med : 0.0, buildMs);
    std::fflush(stdout);
    if (side == 1000u) {
      furnitureFrames(scene, device, width, height, repeats);
    }
    if (side == 3162u) {
      scriptedDrag(scene, device, width, height, repeats * 10);
    }
    scene.mesh.setDevice(nullptr);
  }
  fbo.release();
  device.releaseAll();
  context.doneCurrent();
  return 0;
}
