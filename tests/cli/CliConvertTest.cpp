#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/RunCli.h"
#include "tests/support/TempDir.h"

using namespace torvane;

namespace {

using Result = fixtures::CliResult;
Result cli(const std::string& args) { return fixtures::runCli(args); }

std::string q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// The value text of a JSON field (numbers and literals), or "" when absent.
std::string field(const std::string& json, const std::string& name) {
  const size_t at = json.find("\"" + name + "\":");
  if (at == std::string::npos) {
    return "";
  }
  const size_t start = at + name.size() + 3;
  return json.substr(start, json.find_first_of(",}", start) - start);
}

}  // namespace

TEST(CliConvert, WritesTvdThatReopensLikeTheSource) {
  fixtures::TempDir dir;
  fixtures::DemTile t;
  t.columns = 30;
  t.rows = 20;
  t.heights = fixtures::sampleHeights(t, fixtures::Landscape{});
  ASSERT_TRUE(fixtures::writeDemXml(dir / "a.xml", t));
  fixtures::BilTile b;
  b.columns = 5;
  b.rows = 4;
  b.samples.assign(20, 100);
  ASSERT_TRUE(fixtures::writeBil(dir / "b.bil", b));

  Result one = cli("convert " + q(dir / "a.xml") + " --output " + q(dir / "one.tvd"));
  EXPECT_EQ(one.status, 0) << one.out;
  EXPECT_EQ(one.out, "{\"ok\":true,\"written\":[\"" + (dir / "one.tvd").string() + "\"]}\n");

  Result many =
      cli("convert " + q(dir / "a.xml") + " " + q(dir / "b.bil") + " --output " + q(dir / "out"));
  EXPECT_EQ(many.status, 0) << many.out;
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "a.tvd"));
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "b.tvd"));

  // info on every format prints the same grid for the source and its conversion.
  const Result xml = cli("info " + q(dir / "a.xml"));
  const Result tvd = cli("info " + q(dir / "out" / "a.tvd"));
  ASSERT_EQ(xml.status, 0);
  ASSERT_EQ(tvd.status, 0);
  for (const char* name : {"count", "Xmin", "Xmax", "Ymin", "Ymax", "lonMin", "latMax"}) {
    EXPECT_EQ(field(xml.out, name), field(tvd.out, name)) << name;
  }
  const Result bil = cli("info " + q(dir / "b.bil"));
  EXPECT_EQ(bil.status, 0);
  EXPECT_EQ(field(bil.out, "count"), "20");
  EXPECT_EQ(field(bil.out, "geoCoordinates"), "true");
}

TEST(CliConvert, FailuresAndUsage) {
  fixtures::TempDir dir;
  fixtures::writeBytes(dir / "junk.xml", "no DEM here\n");
  const Result bad = cli("convert " + q(dir / "junk.xml") + " --output " + q(dir / "j.tvd"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("\"ok\":false"), std::string::npos);
  EXPECT_NE(bad.out.find("有効データがありません"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "j.tvd"));

  EXPECT_EQ(cli("convert " + q(dir / "junk.xml")).status, 2) << "no --output";
  fixtures::writeBytes(dir / "file", "");
  EXPECT_EQ(cli("convert " + q(dir / "junk.xml") + " " + q(dir / "junk.xml") + " --output " +
                q(dir / "file"))
                .status,
            2)
      << "several inputs need a folder";
  EXPECT_EQ(cli("convert " + q(dir / "a/x.xml") + " " + q(dir / "b/x.xml") + " --output " +
                q(dir / "out"))
                .status,
            2)
      << "two inputs with one output name";
}

TEST(CliInfo, LemFilesOpenInPlaneCoordinates) {
  fixtures::TempDir dir;
  std::filesystem::create_directories(dir / "LEM");
  std::filesystem::create_directories(dir / "HEADER");
  fixtures::LemTile t;
  t.columns = 4;
  t.rows = 3;
  t.zone = 9;
  t.east = t.west + 15;
  t.north = t.south + 10;
  ASSERT_TRUE(fixtures::writeLem(dir / "LEM" / "x.lem", dir / "HEADER" / "x.csv", t, true));
  const Result r = cli("info " + q(dir / "LEM" / "x.lem"));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(field(r.out, "geoCoordinates"), "false");
  EXPECT_EQ(field(r.out, "planeZone"), "9");
  EXPECT_EQ(field(r.out, "count"), "12");
  EXPECT_EQ(field(r.out, "lonMin"), "") << "no geographic bounds for plane data";
  EXPECT_EQ(field(r.out, "Xmin"), "-10000");
}
