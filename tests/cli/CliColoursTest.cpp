#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "tests/support/DemoTiles.h"

namespace {

namespace fs = std::filesystem;

struct Output {
  int status = -1;
  std::string json;
};

class CliColours : public ::testing::Test {
protected:
  void SetUp() override {
    mDir = fs::temp_directory_path() /
           ("torvane-colours-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(mDir);
    fs::create_directories(mDir);
    mFiles = torvane::fixtures::demoTileArgs();
  }
  void TearDown() override { fs::remove_all(mDir); }

  // Runs `torvane-cli colours FILES ARGS`, standard output to a file of the test's folder.
  Output colours(const std::string& args) { return cli("colours", args); }

  Output cli(const std::string& command, const std::string& args) {
    const fs::path out = mDir / "stdout.json";
    const std::string line = std::string(TORVANE_CLI) + " " + command + mFiles + " " + args +
                             " >'" + out.string() + "' 2>/dev/null";
    const int raw = std::system(line.c_str());
    Output o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(out);
    std::getline(in, o.json);
    return o;
  }

  fs::path mDir;
  std::string mFiles;
};

TEST_F(CliColours, DefaultColouringOfTheDemoData) {
  // Node (0, 0) of file 0 is land; the last node of file 1 lies in the sea of the south-east
  // tile, which has no data (height 0): the sea colour, blue.
  const Output o = colours("--node 0,0,0 --node 3,0,0 --node 1,149,224");
  ASSERT_EQ(o.status, 0) << o.json;
  EXPECT_EQ(o.json.rfind("{\"ok\":true,\"colourOk\":true,\"effectiveSeaLevel\":0,\"colours\":[", 0),
            0u)
      << o.json;
  EXPECT_NE(o.json.find("\"0xFF0000FF\"]}"), std::string::npos) << o.json;
}

TEST_F(CliColours, InfoReportsTheAnalysisExtentsAndSeaLevel) {
  const Output o = cli("info", "");
  ASSERT_EQ(o.status, 0) << o.json;
  // The demo's sea has no data (height 0): flat there, so every minimum is 0; the volcano's
  // flanks give the maxima.
  for (const char* key : {"\"slopeMin\":0,\"slopeMax\":", "\"openAboveMin\":0,\"openAboveMax\":",
                          "\"openBelowMin\":0,\"openBelowMax\":", "\"effectiveSeaLevel\":0}"}) {
    EXPECT_NE(o.json.find(key), std::string::npos) << key << "\n" << o.json;
  }
}

TEST_F(CliColours, SettingsChangeTheColours) {
  Output o = colours("--set ColorT=1 --set Alpha=128 --node 0,0,0 --node 1,149,224");
  ASSERT_EQ(o.status, 0) << o.json;
  EXPECT_NE(o.json.find("\"colours\":[\"0x80FFFFFF\",\"0x80FFFFFF\"]"), std::string::npos)
      << o.json;

  // ColorK runs -1..1000.
  EXPECT_EQ(colours("--set ColorK=2000 --node 0,0,0").status, 2);
  // Sea at 1000 m floods everything: plain red sea without graded tints.
  o = colours("--set ColorK=1000 --set OceanT=0 --set OceanC=255 --node 0,0,0");
  ASSERT_EQ(o.status, 0) << o.json;
  EXPECT_NE(o.json.find("\"effectiveSeaLevel\":1000,\"colours\":[\"0xFFFF0000\"]"),
            std::string::npos)
      << o.json;

  // Ramp 7 with a composite type cannot colour: colourOk false, colours as after the open.
  o = colours("--set ColorS=4 --set ColorR=7 --node 1,149,224");
  ASSERT_EQ(o.status, 0) << o.json;
  EXPECT_NE(o.json.find("\"colourOk\":false"), std::string::npos) << o.json;
  EXPECT_NE(o.json.find("\"0xFF0000FF\""), std::string::npos) << o.json;
}

TEST_F(CliColours, BadArgumentsAndNodesOutsideTheGrid) {
  for (const char* type : {"-1", "10", "13", "20"}) {
    EXPECT_EQ(colours(std::string("--set ColorS=") + type + " --node 0,0,0").status, 2) << type;
  }
  EXPECT_EQ(colours("--set Colour=1 --node 0,0,0").status, 2);
  EXPECT_EQ(colours("--set ColorR=x --node 0,0,0").status, 2);
  EXPECT_EQ(colours("--node 0,0").status, 2);
  EXPECT_EQ(colours("").status, 2);
  const Output o = colours("--node 0,150,0");  // rows are 0..149
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.json.rfind("{\"ok\":false,\"error\":", 0), 0u) << o.json;
}

TEST_F(CliColours, PngWithWorldFile) {
  const fs::path png = mDir / "slope.png";
  const Output o = colours("--set ColorS=1 --node 1,0,0 --png '" + png.string() + "' --file 1");
  ASSERT_EQ(o.status, 0) << o.json;

  // PNG signature, then the IHDR chunk: width 225, height 150, 8 bits, RGBA (colour type 6).
  std::ifstream in(png, std::ios::binary);
  std::vector<unsigned char> head(26);
  in.read(reinterpret_cast<char*>(head.data()), 26);
  ASSERT_TRUE(in);
  EXPECT_EQ(std::string(head.begin() + 1, head.begin() + 4), "PNG");
  EXPECT_EQ(std::string(head.begin() + 12, head.begin() + 16), "IHDR");
  EXPECT_EQ(head[18] << 8 | head[19], 225);
  EXPECT_EQ(head[22] << 8 | head[23], 150);
  EXPECT_EQ(head[24], 8);
  EXPECT_EQ(head[25], 6);

  // World file: degrees, north up, the north-west node of file 1 (139.0125 E, 35.00833 N) at
  // the centre of the top-left pixel, 1/80 degree over 224 steps across, 1/120 over 149 down.
  std::ifstream world(mDir / "slope.pgw");
  std::vector<double> v;
  for (double x; world >> x;) {
    v.push_back(x);
  }
  ASSERT_EQ(v.size(), 6u);
  EXPECT_NEAR(v[0], 1.0 / 80 / 224, 1e-12);
  EXPECT_EQ(v[1], 0);
  EXPECT_EQ(v[2], 0);
  EXPECT_NEAR(v[3], -1.0 / 120 / 149, 1e-10);  // latitudes are given to 1e-9
  EXPECT_NEAR(v[4], 139.0125, 1e-9);
  EXPECT_NEAR(v[5], 35.0 + 1.0 / 120, 1e-8);

  // Only the two files remain: no temporary left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(mDir), fs::directory_iterator()), 3);
}

TEST_F(CliColours, UnwritablePngFails) {
  const Output o = colours("--node 0,0,0 --png '" + (mDir / "missing" / "x.png").string() + "'");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.json.rfind("{\"ok\":false,\"error\":\"cannot write", 0), 0u) << o.json;
}

}  // namespace
