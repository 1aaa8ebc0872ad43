#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/DemoTiles.h"
#include "tests/support/GridWriters.h"
#include "tests/support/RunCli.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using torvane::fixtures::runCli;
using torvane::fixtures::TempDir;

using torvane::fixtures::demoTiles;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

TEST(CliProject, LoadsAndSavesAProjectOverTheDemoData) {
  const TempDir dir;
  std::string text = "[File]\n";
  const std::vector<fs::path> tiles = demoTiles();
  for (size_t i = 0; i < tiles.size(); ++i) {
    text += "Flag" + std::to_string(i + 1) + "=" + (i == 2 ? "0" : "1") + "\n";
    text += "Name" + std::to_string(i + 1) + "=" + tiles[i].string() + "\n";
  }
  text += "[View]\nRotaZ=1.5\nColorS=2\nColorR=5\nColorK=250\nScale=9\n[Rota]\nPitch=3\n";
  ASSERT_TRUE(torvane::fixtures::writeBytes(dir / "p.tvp", text));

  const auto r = runCli("project " + quoted(dir / "p.tvp") + " --save " + quoted(dir / "q.tvp"));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("{\"ok\":true,\"step\":1,\"fileCount\":4,", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\"sampledRows\":150,\"shown\":false}"), std::string::npos);
  EXPECT_NE(r.out.find("\"layers\":[],\"sets\":[],"), std::string::npos);
  EXPECT_NE(r.out.find("\"texture\":null,\"view\":{\"MoveX\":0,\"MoveY\":0,\"MoveZ\":0,"
                       "\"RotaX\":0,\"RotaY\":0,\"RotaZ\":1.5,\"RZoom\":0.7853981633974483,"
                       "\"ColorT\":3,\"ColorS\":2,\"ColorR\":5,\"CRHueR\":1,\"CRHueS\":120,"
                       "\"CRHueE\":200,\"ColorK\":250,\"OceanC\":16711680,\"OceanT\":1,"
                       "\"Scale\":9,\"Alpha\":255,\"Pitch\":3}"),
            std::string::npos)
      << r.out;
  // The saved project loads to the same state and saves to the same bytes.
  const auto again =
      runCli("project " + quoted(dir / "q.tvp") + " --save " + quoted(dir / "r.tvp"));
  ASSERT_EQ(again.status, 0);
  EXPECT_EQ(readFile(dir / "r.tvp"), readFile(dir / "q.tvp"));
  EXPECT_NE(readFile(dir / "q.tvp").find("Flag3=0\nName3=" + tiles[2].string() + "\n"),
            std::string::npos);

  // Failures: a project that does not load, a save that cannot be written, bad usage.
  const auto missing = runCli("project " + quoted(dir / "none.tvp"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "{\"ok\":false,\"error\":\"有効データがありません\",\"problems\":["
                         "{\"path\":\"" +
                             (dir / "none.tvp").string() + "\",\"reason\":\"not found\"}]}\n");
  const auto unsaved =
      runCli("project " + quoted(dir / "p.tvp") + " --save " + quoted(dir / "no" / "x.tvp"));
  EXPECT_EQ(unsaved.status, 1);
  EXPECT_EQ(unsaved.out, "{\"ok\":false,\"error\":\"保存できませんでした\"}\n");
  EXPECT_EQ(runCli("project").status, 2);
  EXPECT_EQ(runCli("project " + quoted(dir / "p.tvp") + " " + quoted(dir / "q.tvp")).status, 2);
}

TEST(CliProject, ReadsAShiftJisProjectWithBackslashPaths) {
  // CP932 text with CRLF lines: 地表データ\東京.xml beside the project, and a tile by its full
  // path with backslashes.
  const TempDir dir;
  const fs::path folder = dir / "地表データ";
  fs::create_directories(folder);
  const std::vector<fs::path> tiles = demoTiles();
  fs::copy_file(tiles[0], folder / "東京.xml");
  std::string other = tiles[1].string();
  std::replace(other.begin(), other.end(), '/', '\\');
  const std::string text =
      "[File]\r\nFlag1=1\r\nName1=\x93\x8c\x8b\x9e.xml\r\nFlag2=1\r\nName2=" + other +
      "\r\n[View]\r\nColorK=5\r\n";
  ASSERT_TRUE(torvane::fixtures::writeBytes(folder / "win.tvp", text));
  const auto r = runCli("project " + quoted(folder / "win.tvp"));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("\"fileCount\":2,\"files\":[{\"name\":\"東京.xml\""), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"ColorK\":5,"), std::string::npos);
}

TEST(CliProject, SpecialCompositeTypesSurviveAReload) {
  // Shift+5 sets land type 15; a project saved with it reopens with it and saves it again.
  const TempDir dir;
  const std::string text =
      "[File]\nName1=" + demoTiles().front().string() + "\n[View]\nColorS=15\nColorR=2\n";
  ASSERT_TRUE(torvane::fixtures::writeBytes(dir / "p.tvp", text));
  const auto r = runCli("project " + quoted(dir / "p.tvp") + " --save " + quoted(dir / "q.tvp"));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("\"ColorT\":3,\"ColorS\":15,\"ColorR\":2,"), std::string::npos) << r.out;
  EXPECT_NE(readFile(dir / "q.tvp").find("\nColorS=15\n"), std::string::npos);
}

}  // namespace
