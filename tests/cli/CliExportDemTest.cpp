#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/GridWriters.h"
#include "tests/support/RasterWriter.h"
#include "tests/support/RunCli.h"
#include "tests/support/TempDir.h"

using namespace torvane;

namespace {

std::string q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Standard error of a run, standard output discarded.
std::string errorOutput(const std::string& args) {
  const std::string command = std::string(TORVANE_CLI) + " " + args + " 2>&1 >/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf{};
  size_t n;
  while (pipe != nullptr && (n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) {
    out.append(buf.data(), n);
  }
  if (pipe != nullptr) {
    ::pclose(pipe);
  }
  return out;
}

}  // namespace

TEST(CliExportDem, PrintsWhatItWroteAndKeepsTheOldFileOnFailure) {
  fixtures::TempDir dir;
  fixtures::RasterTile t;
  t.columns = 5;
  t.rows = 4;
  t.heights.assign(20, 42.0);
  ASSERT_TRUE(fixtures::writeRaster(dir / "in.tif", t));

  const auto ok =
      fixtures::runCli("export-dem " + q(dir / "in.tif") + " --output " + q(dir / "out.tif"));
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out, "{\"ok\":true,\"written\":\"" + (dir / "out.tif").string() +
                        "\",\"width\":5,\"height\":4,\"epsg\":6668,\"nodata\":-9999}\n");

  EXPECT_EQ(fixtures::runCli("export-dem " + q(dir / "in.tif")).status, 2) << "no --output";
  EXPECT_EQ(fixtures::runCli("export-dem --output " + q(dir / "x.tif")).status, 2) << "no file";

  // A corrupt raster: nothing to export, the earlier output stays as it was, and GDAL's own
  // complaints never reach the terminal.
  const std::string before = slurp(dir / "out.tif");
  fixtures::writeBytes(dir / "bad.tif", std::string("II*\0\x08\0\0\0\xff\xff no IFD here", 20));
  const auto bad =
      fixtures::runCli("export-dem " + q(dir / "bad.tif") + " --output " + q(dir / "out.tif"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out,
            "{\"ok\":false,\"error\":\"有効データがありません\",\"problems\":[{\"path\":\"" +
                (dir / "bad.tif").string() + "\",\"reason\":\"not a readable raster\"}]}\n");
  EXPECT_EQ(slurp(dir / "out.tif"), before);
  EXPECT_EQ(errorOutput("info " + q(dir / "bad.tif")).find("ERROR"), std::string::npos);
}
