#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "elevation/Readers.h"
#include "elevation/TvdFile.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/ReaderChecks.h"
#include "tests/support/TempDir.h"

using namespace torvane;

namespace {

TvdHeader header(uint32_t columns, uint32_t rows) {
  TvdHeader h;
  h.columns = columns;
  h.rows = rows;
  h.south = 35.0;
  h.west = 139.0;
  h.north = 35.0 + 0.001 * (rows - 1);
  h.east = 139.0 + 0.001 * (columns - 1);
  return h;
}

// Heights 100 * r + c (+ 0.5) of a columns x rows grid.
std::vector<double> ramp(uint32_t columns, uint32_t rows) {
  std::vector<double> v;
  for (uint32_t r = 0; r < rows; ++r) {
    for (uint32_t c = 0; c < columns; ++c) {
      v.push_back(100.0 * r + c + 0.5);
    }
  }
  return v;
}

std::string bytesOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A raw file: the header followed by the given 32-bit floats.
void writeRaw(const std::filesystem::path& path, const TvdHeader& h,
              const std::vector<float>& heights) {
  unsigned char head[kTvdHeaderSize];
  encodeTvdHeader(h, head);
  std::string bytes(reinterpret_cast<const char*>(head), sizeof head);
  bytes.append(reinterpret_cast<const char*>(heights.data()), heights.size() * 4);
  fixtures::writeBytes(path, bytes);
}

bool listed(const std::filesystem::path& path) {
  ElevationGrid grid;
  return listTvd(grid, path);
}

}  // namespace

TEST(TvdFile, WriterProducesTheLittleEndianLayout) {
  fixtures::TempDir dir;
  const TvdHeader h = header(2, 2);
  ASSERT_TRUE(writeTvd(dir / "a.tvd", h, std::vector<double>{1, 2, -3, 4.25}));
  const std::string b = bytesOf(dir / "a.tvd");
  ASSERT_EQ(b.size(), 40u + 16u);
  EXPECT_EQ(b.substr(0, 8), std::string("\x02\0\0\0\x02\0\0\0", 8));
  double south;
  std::memcpy(&south, b.data() + 8, 8);
  EXPECT_EQ(south, 35.0);
  float last;
  std::memcpy(&last, b.data() + 52, 4);
  EXPECT_EQ(last, 4.25f);
  // Only the finished file is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  std::string error;
  EXPECT_FALSE(writeTvd(dir / "missing" / "a.tvd", h, std::vector<double>{1, 2, 3, 4}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(writeTvd(dir / "b.tvd", h, std::vector<double>{1, 2, 3}, &error))
      << "height count differs from the header";
  EXPECT_FALSE(std::filesystem::exists(dir / "b.tvd"));
}

TEST(TvdReader, HeaderValidation) {
  fixtures::TempDir dir;
  ASSERT_TRUE(writeTvd(dir / "2x2.tvd", header(2, 2), std::vector<double>{1, 2, 3, 4}));
  EXPECT_TRUE(listed(dir / "2x2.tvd"));
  EXPECT_FALSE(fixtures::openScene({dir / "2x2.tvd"})->ok) << "4 nodes are below the minimum";

  auto rejects = [&](const std::string& name, TvdHeader h) {
    writeRaw(dir / name, h, std::vector<float>(16, 1.0f));
    EXPECT_FALSE(listed(dir / name)) << name;
  };
  TvdHeader h = header(2, 2);
  h.north = h.south;
  rejects("flat.tvd", h);
  h = header(2, 2);
  h.east = h.west - 1;
  rejects("reversed.tvd", h);
  rejects("narrow.tvd", header(1, 4));
  h = header(2, 2);
  h.west = std::numeric_limits<double>::quiet_NaN();
  rejects("nan.tvd", h);
  h = header(2, 2);
  h.north = std::numeric_limits<double>::infinity();
  rejects("inf.tvd", h);

  fixtures::writeBytes(dir / "short.tvd", bytesOf(dir / "2x2.tvd").substr(0, 39));
  EXPECT_FALSE(listed(dir / "short.tvd")) << "39-byte header";
}

TEST(TvdReader, HeightsNegativeOrNotFiniteBecomeZero) {
  fixtures::TempDir dir;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  writeRaw(dir / "a.tvd", header(3, 3), {-5, 0, 5, nan, inf, -inf, 1.5f, 2, 3});
  auto o = fixtures::openScene({dir / "a.tvd"});
  ASSERT_TRUE(o->ok);
  const double expected[] = {0, 0, 5, 0, 0, 0, 1.5, 2, 3};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(o->scene.grid.H[i], expected[i]) << "node " << i;
  }
  EXPECT_DOUBLE_EQ(o->scene.grid.lat[0], 35.002);
  EXPECT_DOUBLE_EQ(o->scene.grid.lon[8], 139.002);
}

TEST(TvdReader, ThinningKeepsTheSameNodesAsASerialRead) {
  fixtures::TempDir dir;
  // Step 3 with 7 columns keeps columns 0, 3, 6.
  ASSERT_TRUE(writeTvd(dir / "a.tvd", header(7, 7), ramp(7, 7)));
  auto o = fixtures::openScene({dir / "a.tvd"}, DeviceLimits{9, 65535});
  ASSERT_TRUE(o->ok);
  ASSERT_EQ(o->scene.plan.step, 3u);
  ASSERT_EQ(o->scene.grid.files[0].sampledColumns, 3u);
  ASSERT_EQ(o->scene.grid.files[0].sampledRows, 3u);  // rows 0, 3, 6
  EXPECT_EQ(o->H(0, 0, 1), 3.5);
  EXPECT_EQ(o->H(0, 0, 2), 6.5);
  EXPECT_EQ(o->H(0, 1, 0), 300.5);
  EXPECT_EQ(o->H(0, 1, 2), 306.5);
  EXPECT_EQ(o->H(0, 2, 2), 606.5);

  // A step so large that samples are fetched one by one: 6000 x 3 under a 12-node limit.
  ASSERT_TRUE(writeTvd(dir / "wide.tvd", header(6000, 3), ramp(6000, 3)));
  auto w = fixtures::openScene({dir / "wide.tvd"}, DeviceLimits{12, 65535});
  ASSERT_TRUE(w->ok);
  const uint64_t step = w->scene.plan.step;
  ASSERT_GT(step * 4, 4096u);
  const uint32_t W = w->scene.grid.files[0].sampledColumns;
  for (uint32_t c = 0; c < W; ++c) {
    const double source = c + 1 == W ? 5999 : static_cast<double>(c * step);
    EXPECT_EQ(w->H(0, 0, c), source + 0.5);
    EXPECT_EQ(w->H(0, 1, c), 200 + source + 0.5);  // rows 0 and 2 are kept
  }
}

TEST(TvdReader, ShortDataFailsTheOpen) {
  fixtures::TempDir dir;
  ASSERT_TRUE(writeTvd(dir / "a.tvd", header(4, 4), ramp(4, 4)));
  std::filesystem::resize_file(dir / "a.tvd", 40 + 63);
  EXPECT_TRUE(listed(dir / "a.tvd"));
  auto o = fixtures::openScene({dir / "a.tvd"});
  EXPECT_FALSE(o->ok);
  EXPECT_EQ(o->scene.grid.fileCount, 0);
}

TEST(TvdConvert, ReopensToTheSameNodes) {
  fixtures::TempDir dir;
  fixtures::DemTile t;
  t.columns = 40;
  t.rows = 30;
  t.lonNE = t.lonSW + 0.0125;
  t.latNE = t.latSW + 0.0083333;
  t.startColumn = 3;  // a partial tile: leading nodes and the tail stay at 0
  t.heights = fixtures::sampleHeights(t, fixtures::Landscape{139.006, 35.004, 0.003, 500});
  t.heights.resize(1000);
  t.heights[5] = -9999;
  ASSERT_TRUE(fixtures::writeDemXml(dir / "a.xml", t));
  std::string error;
  ASSERT_EQ(convertToTvd(dir / "a.xml", dir / "a.tvd", error), ConvertStatus::Written) << error;

  auto source = fixtures::openScene({dir / "a.xml"});
  auto copy = fixtures::openScene({dir / "a.tvd"});
  ASSERT_TRUE(source->ok && copy->ok);
  const ElevationGrid& a = source->scene.grid;
  const ElevationGrid& b = copy->scene.grid;
  ASSERT_EQ(a.count, b.count);
  for (uint32_t i = 0; i < a.count; ++i) {
    ASSERT_EQ(a.X[i], b.X[i]) << i;
    ASSERT_EQ(a.Y[i], b.Y[i]) << i;
    ASSERT_EQ(a.lon[i], b.lon[i]) << i;
    ASSERT_EQ(a.lat[i], b.lat[i]) << i;
    // Heights are stored as 32-bit floats.
    ASSERT_EQ(static_cast<double>(static_cast<float>(a.H[i])), b.H[i]) << i;
  }

  // A .tvd converts to an identical file.
  ASSERT_EQ(convertToTvd(dir / "a.tvd", dir / "b.tvd", error), ConvertStatus::Written) << error;
  EXPECT_EQ(bytesOf(dir / "a.tvd"), bytesOf(dir / "b.tvd"));
}

TEST(TvdConvert, RefusesWhatItCannotWrite) {
  fixtures::TempDir dir;
  fixtures::LemTile lem;
  fixtures::writeLem(dir / "x.lem", dir / "x.csv", lem, false);
  fixtures::writeBytes(dir / "junk.xml", "not a DEM\n");
  std::string error;
  EXPECT_EQ(convertToTvd(dir / "x.lem", dir / "x.tvd", error), ConvertStatus::NotGeographic);
  EXPECT_EQ(convertToTvd(dir / "junk.xml", dir / "j.tvd", error), ConvertStatus::NoValidData);
  EXPECT_FALSE(std::filesystem::exists(dir / "j.tvd"));

  fixtures::BilTile bil;
  bil.samples = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  fixtures::writeBil(dir / "b.bil", bil);
  EXPECT_EQ(convertToTvd(dir / "b.bil", dir / "b.tvd", error, 11), ConvertStatus::TooLarge);
  EXPECT_EQ(convertToTvd(dir / "b.bil", dir / "b.tvd", error, 12), ConvertStatus::Written) << error;
}
