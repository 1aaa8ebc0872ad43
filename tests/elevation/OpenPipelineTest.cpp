#include <gtest/gtest.h>

#include <fstream>

#include "scene/Scene.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/TempDir.h"

using namespace torvane;
using fixtures::DemTile;

namespace {

DemTile tile(int columns, int rows, double lonSW = 139.0, double latSW = 35.0) {
  DemTile t;
  t.columns = columns;
  t.rows = rows;
  t.lonSW = lonSW;
  t.latSW = latSW;
  t.lonNE = lonSW + 0.0001 * (columns - 1);
  t.latNE = latSW + 0.0001 * (rows - 1);
  t.heights = fixtures::sampleHeights(
      t, [](double lon, double lat) { return 1000 * (lon - 139.0) + 2000 * (lat - 35.0) + 1; });
  return t;
}

std::filesystem::path write(const fixtures::TempDir& dir, const std::string& name,
                            const DemTile& t) {
  const auto path = dir / name;
  fixtures::writeDemXml(path, t);
  return path;
}

// Counts the scene operations an open performs.
class RecordingSteps : public OpenSteps {
public:
  explicit RecordingSteps(ElevationGrid& grid) : mGrid(grid) {}
  void clearScene() override {
    ++cleared;
    mGrid.releaseGrid();
  }
  void resetViewState() override { ++reset; }
  bool postProcess(const SamplingPlan& p) override {
    plan = p;
    ++postProcessed;
    return postProcessResult;
  }
  int cleared = 0, reset = 0, postProcessed = 0;
  bool postProcessResult = true;
  SamplingPlan plan;

private:
  ElevationGrid& mGrid;
};

// A grid whose file list holds the given declared sizes.
void listSizes(ElevationGrid& grid, std::initializer_list<std::pair<uint32_t, uint32_t>> sizes) {
  grid.releaseGrid();
  for (auto [c, r] : sizes) {
    grid.recordFile("f.xml", c, r);
  }
}

}  // namespace

TEST(PlanSampling, PicksTheSmallestFittingStep) {
  ElevationGrid grid;
  // A 16-bit device: 300 x 300 needs step 2 (151 x 151 = 22,801 nodes).
  listSizes(grid, {{300, 300}});
  auto plan = planSampling(grid, DeviceLimits{65535, 65535});
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->step, 2u);
  EXPECT_EQ(plan->nodeTotal, 22801u);
  EXPECT_EQ(grid.files[0].sampledColumns, 151u);

  // A 32-bit device whose primitive limit one 2000 x 2000 file exceeds at step 1.
  listSizes(grid, {{2000, 2000}});
  plan = planSampling(grid, DeviceLimits{1048575, 16777215});
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->step, 2u);
  EXPECT_EQ(plan->nodeTotal, 1002001u);
  EXPECT_EQ(plan->indexTotal, 6000000u);

  // Step 1 breaks the 10,000,000-node cap on the running total, step 2 the index limit
  // (2 x 6 x 1500 x 1000 = 18,000,000 indices).
  listSizes(grid, {{3000, 2000}, {3000, 2000}});
  plan = planSampling(grid, DeviceLimits{});
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->step, 3u);

  // The step found by bisection equals the first fitting step of a plain search.
  listSizes(grid, {{1125, 750}, {225, 150}, {4000, 3}, {7, 9000}});
  for (uint32_t p : {1000u, 40000u, 65535u, 300000u}) {
    for (uint32_t i : {65535u, 16777215u, 1000000u}) {
      const DeviceLimits limits{p, i};
      plan = planSampling(grid, limits);
      ASSERT_TRUE(plan);
      uint64_t first = 1;
      for (;; ++first) {
        uint64_t nodes = 0, indices = 0;
        bool fits = true;
        for (const GridFile& f : grid.files) {
          const uint64_t W = sampledCount(f.columns, first), R = sampledCount(f.rows, first);
          nodes += W * R;
          indices += 6 * (W - 1) * (R - 1);
          fits = fits && (i > 65535 ? indices <= i && W * R <= p && nodes <= 10000000 : nodes <= p);
        }
        if (fits) {
          break;
        }
      }
      EXPECT_EQ(plan->step, first) << p << "/" << i;
    }
  }
}

TEST(PlanSampling, EveryLimitIsInclusive) {
  // 200 x 201 at step 1: 40,200 nodes and 6 x 199 x 200 = 238,800 indices. Two 2000 x 2500
  // files: 10,000,000 nodes, the node cap. A total equal to its limit fits; one more does not.
  struct Case {
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
    DeviceLimits limits;
    uint64_t step;
  };
  const Case cases[] = {{{{200, 201}}, {40200, 238800}, 1},
                        {{{200, 201}}, {40200, 238799}, 2},
                        {{{200, 201}}, {40199, 238800}, 2},
                        {{{200, 201}}, {40200, 65535}, 1},
                        {{{200, 201}}, {40199, 65535}, 2},
                        {{{2000, 2500}, {2000, 2500}}, {10000000, 60000000}, 1},
                        {{{2000, 2500}, {2001, 2500}}, {10000000, 60000000}, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.limits.primitiveLimit << "," << c.limits.indexLimit);
    ElevationGrid grid;
    for (auto [columns, rows] : c.sizes) {
      grid.recordFile("f.xml", columns, rows);
    }
    const auto plan = planSampling(grid, c.limits);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->step, c.step);
  }
}

TEST(PlanSampling, HugeDeclarationsAndImpossibleLimits) {
  ElevationGrid grid;
  // Totals beyond 32 bits must not wrap around into a "fitting" plan.
  listSizes(grid, {{4294967295u, 4294967295u}});
  auto plan = planSampling(grid, DeviceLimits{});
  ASSERT_TRUE(plan);
  EXPECT_LE(plan->nodeTotal, 10000000u);
  EXPECT_GT(plan->step, 1000000u);

  // Limits below 2 x 2 nodes per file: no step fits, and the search ends.
  listSizes(grid, {{100, 100}, {100, 100}});
  EXPECT_FALSE(planSampling(grid, DeviceLimits{7, 65535}));
}

TEST(OpenPipeline, RefusesMoreThanHundredPathsWithoutTouchingTheScene) {
  fixtures::TempDir dir;
  Scene scene;
  const std::vector<std::filesystem::path> one{write(dir, "a.xml", tile(10, 10))};
  ASSERT_TRUE(openElevationFiles(scene, one));
  scene.view.RotaZ = 1.5;
  const std::vector<std::filesystem::path> many(101, one[0]);
  EXPECT_FALSE(openElevationFiles(scene, many));
  EXPECT_EQ(scene.grid.count, 100u);  // the previous grid is still there
  EXPECT_EQ(scene.view.RotaZ, 1.5);
}

TEST(OpenPipeline, SkipsRejectedFilesAndKeepsTheSceneWhenNothingIsListed) {
  fixtures::TempDir dir;
  const auto a = write(dir, "a.xml", tile(10, 10));
  const auto b = write(dir, "b.XML", tile(10, 10, 139.001));
  const auto junk = dir / "junk.xml";
  std::ofstream(junk) << "not a DEM file\n";
  const auto text = dir / "notes.txt";
  std::ofstream(text) << "hello\n";

  Scene scene;
  scene.view.RotaZ = 2;
  scene.view.Scale = 7;
  ASSERT_TRUE(openElevationFiles(scene, std::vector<std::filesystem::path>{a, junk, b}));
  EXPECT_EQ(scene.grid.fileCount, 2);
  EXPECT_EQ(scene.grid.count, 200u);
  EXPECT_EQ(scene.view.RotaZ, 0);  // reset by the open
  EXPECT_EQ(scene.view.Scale, 7);  // kept

  // Nothing listed (an unknown extension, a missing file): the open fails and the scene stays
  // as it was, each file reported with its reason.
  FileProblems problems;
  scene.view.RotaZ = 1;
  EXPECT_FALSE(openElevationData(scene, std::vector<std::filesystem::path>{text, dir / "gone.xml"},
                                 {}, &problems));
  EXPECT_EQ(scene.grid.count, 200u);
  EXPECT_EQ(scene.grid.fileCount, 2);
  EXPECT_EQ(scene.view.RotaZ, 1);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].path, text);
  EXPECT_EQ(problems[0].reason, "not an elevation file");
  EXPECT_EQ(problems[1].reason, "not found");
  EXPECT_FALSE(openElevationFiles(scene, std::vector<std::filesystem::path>{}));
  EXPECT_EQ(scene.grid.fileCount, 2);
}

TEST(OpenPipeline, NineNodesIsTheSmallestGrid) {
  fixtures::TempDir dir;
  Scene scene;
  ASSERT_TRUE(openElevationFiles(
      scene, std::vector<std::filesystem::path>{write(dir, "3.xml", tile(3, 3))}));
  EXPECT_EQ(scene.grid.count, 9u);
  EXPECT_EQ(scene.plan.indexTotal, 24u);
  EXPECT_FALSE(openElevationFiles(
      scene, std::vector<std::filesystem::path>{write(dir, "2.xml", tile(2, 2))}));
  EXPECT_EQ(scene.grid.fileCount, 0);  // listed in the first pass, gone after the failure
}

TEST(OpenPipeline, StepsRunInOrderAndPostProcessFailureEmptiesTheGrid) {
  fixtures::TempDir dir;
  const std::vector<std::filesystem::path> paths{write(dir, "a.xml", tile(5, 5))};
  ElevationGrid grid;
  RecordingSteps steps(grid);
  ASSERT_TRUE(openElevationFiles(paths, grid, steps));
  EXPECT_EQ(steps.cleared, 1);
  EXPECT_EQ(steps.reset, 1);
  EXPECT_EQ(steps.postProcessed, 1);
  EXPECT_EQ(steps.plan.nodeTotal, 25u);
  EXPECT_EQ(grid.Hmin, 1);  // extents are ready before post-processing

  steps.postProcessResult = false;
  EXPECT_FALSE(openElevationFiles(paths, grid, steps));
  EXPECT_EQ(grid.count, 0u);
  EXPECT_EQ(grid.fileCount, 0);
}

TEST(OpenPipeline, ThreadedReadMatchesSerialRead) {
  fixtures::TempDir dir;
  std::vector<std::filesystem::path> paths;
  for (int i = 0; i < 7; ++i) {
    DemTile t = tile(40 + 3 * i, 30 + i, 139.0 + 0.004 * i, 35.0 + 0.001 * (i % 3));
    t.startColumn = i;  // partial tiles place their data by the start point
    t.heights.resize(t.heights.size() - static_cast<size_t>(i * 5));
    paths.push_back(write(dir, "t" + std::to_string(i) + ".xml", t));
  }
  Scene serial, threaded;
  serial.limits = threaded.limits = DeviceLimits{1000, 16777215};
  ASSERT_TRUE(openElevationFiles(serial, paths, {}, 1));
  ASSERT_TRUE(openElevationFiles(threaded, paths, {}, 4));
  ASSERT_EQ(serial.grid.count, threaded.grid.count);
  EXPECT_GT(serial.plan.step, 1u);
  for (uint32_t i = 0; i < serial.grid.count; ++i) {
    ASSERT_EQ(serial.grid.X[i], threaded.grid.X[i]);
    ASSERT_EQ(serial.grid.Y[i], threaded.grid.Y[i]);
    ASSERT_EQ(serial.grid.H[i], threaded.grid.H[i]);
  }
}

TEST(OpenPipeline, FileChangedBetweenPassesFailsTheOpen) {
  fixtures::TempDir dir;
  const std::vector<std::filesystem::path> paths{write(dir, "a.xml", tile(10, 10)),
                                                 write(dir, "b.xml", tile(10, 10, 139.001))};
  Scene scene;
  bool rewritten = false;
  int reports = 0;
  const bool ok = openElevationFiles(
      scene, paths,
      [&](const OpenProgress& p) {
        ++reports;
        EXPECT_GE(p.fraction, 0.0);
        EXPECT_LE(p.fraction, 1.0);
        if (p.pass == 2 && !rewritten) {
          rewritten = true;
          fixtures::writeDemXml(paths[1], tile(12, 10, 139.001));
        }
      },
      1);
  EXPECT_TRUE(rewritten);
  EXPECT_FALSE(ok);
  EXPECT_EQ(scene.grid.count, 0u);
  EXPECT_GT(reports, 2);
}
