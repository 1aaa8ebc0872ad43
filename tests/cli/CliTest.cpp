#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/DemoTiles.h"
#include "tests/support/GridWriters.h"
#include "tests/support/TempDir.h"
#include "tests/support/RunCli.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipWriter.h"

namespace {

using Result = torvane::fixtures::CliResult;
Result run(const std::string& args) { return torvane::fixtures::runCli(args); }

std::string demFiles() { return torvane::fixtures::demoTileArgs(); }

}  // namespace

TEST(Cli, InfoOnTheDemoData) {
  const Result r = run("info" + demFiles());
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("{\"ok\":true,\"step\":1,\"fileCount\":4,\"files\":[{\"name\":\"FG-GML-"
                        "5239-40-00-DEM5A-20161001.xml\"",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("\"count\":135000,\"indexCount\":801024"), std::string::npos);
  EXPECT_NE(r.out.find("\"geoCoordinates\":true,\"planeZone\":0,\"lonMin\":139,\"lonMax\":139.025"),
            std::string::npos);
  EXPECT_NE(r.out.find("\"Hmin\":0,"), std::string::npos);  // the sea has no data
  EXPECT_EQ(r.out.back(), '\n');
}

TEST(Cli, LimitsThinTheGrid) {
  // A 16-bit device of 40,000 primitives: step 2 gives 4 x 113 x 76 = 34,352 nodes.
  const Result r = run("info --limits 40000,65535" + demFiles());
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"step\":2,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"sampledColumns\":113,\"sampledRows\":76"), std::string::npos);
  EXPECT_NE(r.out.find("\"count\":34352,"), std::string::npos);

  // The primitive limit is capped at 10,000,000 as the program caps it: a 16-bit device that
  // claims 20 million still thins a grid of 3200 x 3200 = 10.24 million nodes.
  torvane::fixtures::BilTile tile;
  tile.columns = tile.rows = 3200;
  tile.samples.assign(size_t{3200} * 3200, 100);
  const torvane::fixtures::TempDir dir;
  ASSERT_TRUE(torvane::fixtures::writeBil(dir / "cap.bil", tile));
  const Result capped = run("info --limits 20000000,65535 '" + (dir / "cap.bil").string() + "'");
  EXPECT_NE(capped.out.find("\"step\":2,"), std::string::npos) << capped.out;
}

TEST(Cli, FailuresAndUsage) {
  Result r = run("info /nonexistent/a.xml");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "{\"ok\":false,\"error\":\"有効データがありません\","
                   "\"problems\":[{\"path\":\"/nonexistent/a.xml\",\"reason\":\"not found\"}]}\n");
  EXPECT_EQ(r.err, "/nonexistent/a.xml: not found\n");
  EXPECT_EQ(run("").status, 2);
  EXPECT_EQ(run("info").status, 2);
  for (const char* limits : {"1", "0,65535", "40000,0", "-1,65535", "1,2x"}) {
    EXPECT_EQ(run(std::string("info --limits ") + limits + " x.xml").status, 2) << limits;
  }
  EXPECT_EQ(run("info --bogus x.xml").status, 2);
  r = run("frobnicate");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.out.empty());  // usage goes to standard error
  EXPECT_EQ(run("help frobnicate").status, 2);
}

TEST(Cli, VersionAndHelpOnStandardOutput) {
  Result r = run("--version");
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.out.rfind("torvane-cli ", 0), 0u) << r.out;
  EXPECT_EQ(r.out.find_first_not_of("0123456789.", 12), r.out.size() - 1) << r.out;
  EXPECT_EQ(r.out.back(), '\n');

  // The whole usage, and one command's usage wherever its --help stands.
  for (const char* all : {"--help", "-h", "help"}) {
    r = run(all);
    EXPECT_EQ(r.status, 0) << all;
    EXPECT_EQ(r.out.rfind("usage: torvane-cli COMMAND", 0), 0u) << all;
    for (const char* command :
         {"info", "colours", "convert", "layers", "height", "profile", "project", "contours"}) {
      EXPECT_NE(r.out.find(std::string("\n  ") + command + " "), std::string::npos) << command;
    }
  }
  for (const char* one : {"info --help", "info x.xml -h", "help info"}) {
    r = run(one);
    EXPECT_EQ(r.status, 0) << one;
    EXPECT_EQ(r.out.rfind("usage: torvane-cli info [--limits PRIM,INDEX] FILE...\n", 0), 0u)
        << one << ": " << r.out;
    EXPECT_EQ(r.out.find("contours"), std::string::npos) << r.out;  // that command alone
  }
  r = run("contours --help");
  EXPECT_EQ(r.out.rfind("usage: torvane-cli contours ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("--geojson OUT"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("\n\n"), std::string::npos) << r.out;
}

TEST(Cli, HeightAtPoints) {
  // A point inside the demo and the same point again by its plane coordinates, then a point
  // east of the data (no conversion: all zero).
  Result r = run("height" + demFiles() + " --geo 139.0071,35.0102 --geo 139.1,35");
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string prefix = "{\"ok\":true,\"results\":[{\"ok\":true,\"X\":";
  ASSERT_EQ(r.out.rfind(prefix, 0), 0u) << r.out;
  EXPECT_NE(r.out.find("},{\"ok\":false,\"X\":0,\"Y\":0,\"H\":0}]}\n"), std::string::npos) << r.out;
  double X = 0, Y = 0, H = 0;
  ASSERT_EQ(std::sscanf(r.out.c_str() + prefix.size(), "%lf,\"Y\":%lf,\"H\":%lf", &X, &Y, &H), 3);
  EXPECT_GT(H, 0);
  char grid[80];
  std::snprintf(grid, sizeof grid, " --grid %.17g,%.17g", X, Y);
  r = run("height" + demFiles() + grid);
  const size_t at = r.out.find("\"H\":");
  ASSERT_NE(at, std::string::npos) << r.out;
  EXPECT_NEAR(std::strtod(r.out.c_str() + at + 4, nullptr), H, 1e-6);

  // A real GSI tile: its first tuple (145.30 m) is the north-west corner, its last (261.59 m)
  // the south-east corner.
  const std::filesystem::path tile = std::filesystem::path(TORVANE_SAMPLES_DIR) / "dem_xml" /
                                     "FG-GML-5238-74-00-DEM5A-20161001.xml";
  if (std::filesystem::exists(tile)) {
    r = run("height '" + tile.string() + "' --geo 138.5,35.258333333 --geo 138.5125,35.25");
    EXPECT_NE(r.out.find("\"H\":145.3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"H\":261.59"), std::string::npos) << r.out;
  }

  EXPECT_EQ(run("height" + demFiles()).status, 2);  // no point
  EXPECT_EQ(run("height" + demFiles() + " --geo 139").status, 2);
  EXPECT_EQ(run("height" + demFiles() + " --grid 1,2x").status, 2);
  EXPECT_EQ(run("height" + demFiles() + " --grid 1,inf").status, 2);
  EXPECT_EQ(run("height /nonexistent.xml --grid 1,2").status, 1);
}

TEST(Cli, ProfileAlongARuler) {
  // Two points of the demo 300 m apart east-west: both ends are ruler samples with the heights
  // the height command gives, and the text measures the whole ruler.
  const std::string ends = " --ruler -150,100,150,100";
  Result r = run("profile" + demFiles() + ends);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("{\"ok\":true,\"samples\":2,\"minH\":", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\"planeLength\":300,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(300.000) [2]\"}\n"), std::string::npos) << r.out;
  const Result heights = run("height" + demFiles() + " --grid -150,100 --grid 150,100");
  for (const char* key : {"\"minH\":", "\"maxH\":"}) {
    const size_t at = r.out.find(key);
    ASSERT_NE(at, std::string::npos);
    const std::string value = r.out.substr(at + 7, r.out.find(',', at) - at - 7);
    EXPECT_NE(heights.out.find("\"H\":" + value + "}"), std::string::npos) << value;
  }
  r = run("profile" + demFiles() + ends + " --interpolate");
  EXPECT_NE(r.out.find("\"samples\":187,"), std::string::npos) << r.out;

  // --csv: the window's CSV, whose longitude and latitude at the ends lead the height command
  // back to the ruler's points and heights.
  const torvane::fixtures::TempDir dir;
  ASSERT_EQ(run("profile" + demFiles() + ends + " --csv '" + (dir / "p.csv").string() + "'").status,
            0);
  std::ifstream csv(dir / "p.csv");
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "distance,X,Y,lon,lat,H,vertex");
  for (const char* X : {"-150", "150"}) {
    ASSERT_TRUE(std::getline(csv, line));
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) {
      f.push_back(field);
    }
    ASSERT_EQ(f.size(), 7u) << line;
    EXPECT_EQ(f[1], X);
    const Result back = run("height" + demFiles() + " --geo " + f[3] + "," + f[4]);
    auto after = [&](const char* key) {
      const size_t at = back.out.find(key);
      return at == std::string::npos ? NAN : std::strtod(back.out.c_str() + at + 4, nullptr);
    };
    EXPECT_NEAR(after("\"X\":"), std::stod(X), 1e-6) << back.out;
    EXPECT_NEAR(after("\"H\":"), std::stod(f[5]), 1e-6) << back.out;
  }

  for (const char* bad : {"", " --ruler 1,2", " --ruler 1,2,3", " --ruler 1,2,3,x",
                          " --interpolate", " --ruler 1,2,3,4 --ruler 1,2,3,4"}) {
    EXPECT_EQ(run("profile" + demFiles() + bad).status, 2) << bad;
  }
  std::string many = " --ruler 0,0";
  for (int i = 1; i <= 100; ++i) {
    many += "," + std::to_string(i) + ",0";
  }
  EXPECT_EQ(run("profile" + demFiles() + many).status, 2);  // 101 points
  EXPECT_EQ(run("profile /nonexistent.xml --ruler 1,2,3,4").status, 1);
}

TEST(Cli, FileNamesAreWrittenAsValidUtf8) {
  // Pieces of a file name and their JSON form: overlong forms, surrogates and code points
  // beyond U+10FFFF become one U+FFFD per byte; the shortest forms pass unchanged.
  const std::string bad = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> pieces[] = {{"\xC1\xBF", bad + bad},
                                                        {"\xC2\x80", "\xC2\x80"},
                                                        {"\xE0\x9F\xBF", bad + bad + bad},
                                                        {"\xE0\xA0\x80", "\xE0\xA0\x80"},
                                                        {"\xF0\x8F\xBF\xBF", bad + bad + bad + bad},
                                                        {"\xF0\x90\x80\x80", "\xF0\x90\x80\x80"},
                                                        {"\xED\xA0\x80", bad + bad + bad},
                                                        {"\xF4\x90\x80\x80", bad + bad + bad + bad},
                                                        {"\"\\", "\\\"\\\\"}};
  std::string name, expected;
  for (const auto& [raw, json] : pieces) {
    name += raw;
    expected += json;
  }
  const torvane::fixtures::TempDir dir;
  const std::filesystem::path path = dir / (name + ".xml");
  std::filesystem::copy_file(
      std::filesystem::path(TORVANE_DEMO_DIR) / "FG-GML-5239-40-00-DEM5A-20161001.xml", path);
  const Result r = run("info '" + path.string() + "'");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("\"name\":\"" + expected + ".xml\""), std::string::npos) << r.out;
}

TEST(Cli, ArchivesOpenAndConvertMemberByMember) {
  const torvane::fixtures::TempDir dir;
  std::vector<torvane::fixtures::ZipEntry> entries;
  const std::vector<std::filesystem::path> demo = torvane::fixtures::demoTiles();
  for (const auto& path : demo) {
    std::ifstream in(path, std::ios::binary);
    entries.push_back(
        {path.filename().string(), std::string(std::istreambuf_iterator<char>(in), {})});
  }
  const std::string zip = (dir / "demo.zip").string();
  ASSERT_TRUE(torvane::fixtures::writeZip(zip, entries));
  // The same object as for the extracted files: member names, grid, extents.
  const Result fromZip = run("info '" + zip + "'");
  ASSERT_EQ(fromZip.status, 0) << fromZip.out;
  EXPECT_EQ(fromZip.out, run("info" + demFiles()).out);
  const Result member = run("info '" + zip + "/" + entries[1].name + "'");
  EXPECT_NE(member.out.find("\"fileCount\":1,\"files\":[{\"name\":\"" + entries[1].name),
            std::string::npos)
      << member.out;

  const Result converted = run("convert '" + zip + "' --output '" + (dir / "tvd").string() + "'");
  ASSERT_EQ(converted.status, 0) << converted.out;
  for (const auto& e : entries) {
    EXPECT_TRUE(std::filesystem::exists((dir / "tvd" / e.name).replace_extension(".tvd")))
        << e.name;
  }
  EXPECT_EQ(run("info '" + (dir / "nothing.zip").string() + "'").status, 1);
}
