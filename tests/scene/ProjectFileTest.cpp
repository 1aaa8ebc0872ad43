// The project file: its exact text, round trips, the path rule, read defaults and ranges,
// projects in Shift_JIS text with CRLF line ends and backslash paths, safe saving, and the
// draped image's rules.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <cmath>
#include <functional>
#include <numbers>
#include <sstream>

#include "scene/Contours.h"
#include "scene/IniFile.h"
#include "scene/ProjectFile.h"
#include "scene/Propagation.h"
#include "scene/Scene.h"
#include "scene/TextEncoding.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/RasterWriter.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using fixtures::TempDir;

constexpr double kTwoPi = 2 * std::numbers::pi;

// A small DEM tile whose south-west corner is `column` tiles east of 139 E.
void writeTile(const fs::path& path, int column) {
  fixtures::DemTile t;
  t.columns = 12;
  t.rows = 10;
  t.lonSW = 139.0 + 0.0011 * column;
  t.latSW = 35.0;
  t.lonNE = t.lonSW + 0.0011;
  t.latNE = 35.0009;
  t.heights = fixtures::sampleHeights(
      t, [](double lon, double lat) { return 5 + 20000 * (lon - 139.0) + 10000 * (lat - 35.0); });
  ASSERT_TRUE(fixtures::writeDemXml(path, t));
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(ProjectFile, SavesItsExactTextAndRoundTripsWithItsData) {
  const TempDir dir;
  fs::create_directories(dir / "data");
  writeTile(dir / "data" / "a.xml", 0);
  writeTile(dir / "data" / "b.xml", 1);
  Scene scene;
  const std::vector<fs::path> files = {dir / "data" / "a.xml", dir / "data" / "b.xml"};
  ASSERT_TRUE(openElevationFiles(scene, files));
  scene.grid.files[1].shown = false;
  ViewState& v = scene.view;
  v.MoveX = 0.25;
  v.MoveY = -0.5;
  v.MoveZ = 12.125;
  v.RotaX = 0.3;
  v.RotaZ = 4;
  v.RZoom = 0.5;
  v.ColorS = 3;
  v.ColorR = 6;
  v.CRHueR = false;
  v.CRHueS = 10;
  v.CRHueE = 230;
  v.ColorK = 250;
  v.OceanC = 0x00123456;
  v.OceanT = false;
  v.Scale = 7;
  v.Alpha = 200;
  v.Pitch = 9;
  v.LayerAlphaEnabled = true;

  const fs::path project = dir / "data" / "p.tvp";
  WriteError error;
  ASSERT_TRUE(SaveProject(scene, project, &error)) << error.message();
  EXPECT_EQ(readFile(project),
            "[File]\nFlag1=1\nName1=a.xml\nFlag2=0\nName2=b.xml\n"
            "[File1]\nAlpha=1\n[Calc1]\nAlpha=0\n"
            "[View]\nMoveX=0.250000000\nMoveY=-0.500000000\nMoveZ=12.125000000\n"
            "RotaX=0.300000000\nRotaY=0.000000000\nRotaZ=4.000000000\nRZoom=0.500000000\n"
            "ColorT=3\nColorS=3\nColorR=6\nCRHueR=0\nCRHueS=10\nCRHueE=230\nColorK=250\n"
            "OceanC=1193046\nOceanT=0\nScale=7\nAlpha=200\n"
            "[Rota]\nPitch=9\n");

  // Load, save again: the same bytes. Then move the folder: the bare names follow it.
  Scene loaded;
  ASSERT_TRUE(LoadProject(loaded, project));
  ASSERT_TRUE(SaveProject(loaded, dir / "data" / "q.tvp"));
  EXPECT_EQ(readFile(dir / "data" / "q.tvp"), readFile(project));
  EXPECT_FALSE(loaded.grid.files[1].shown);
  EXPECT_EQ(loaded.view.Scale, 7);
  EXPECT_EQ(loaded.mesh.vertices()[0].diffuse >> 24, 200u);  // transparency applied

  fs::rename(dir / "data", dir / "moved");
  Scene moved;
  ASSERT_TRUE(LoadProject(moved, dir / "moved" / "p.tvp"));
  EXPECT_EQ(moved.grid.fileCount, 2);
  EXPECT_EQ(moved.grid.filePath(0), dir / "moved" / "a.xml");

  // Saving needs a .tvp name and a grid; a refused save writes nothing.
  EXPECT_FALSE(SaveProject(moved, dir / "moved" / "p.ini", &error));
  EXPECT_FALSE(SaveProject(Scene{}, dir / "moved" / "empty.tvp", &error));
  EXPECT_FALSE(fs::exists(dir / "moved" / "p.ini"));
  EXPECT_FALSE(fs::exists(dir / "moved" / "empty.tvp"));
}

// The view settings table against the format: a fresh view saves as these exact lines (the hue
// keys only with the hue circle), and loading them back gives the fresh view again.
TEST(ProjectFile, DefaultViewSavesAsTheFormatsDefaults) {
  const TempDir dir;
  writeTile(dir / "a.xml", 0);
  const std::vector<fs::path> tile = {dir / "a.xml"};
  Scene scene;
  ASSERT_TRUE(openElevationFiles(scene, tile));
  ASSERT_TRUE(SaveProject(scene, dir / "p.tvp"));
  const std::string defaults =
      "[File]\nFlag1=1\nName1=a.xml\n"
      "[File1]\nAlpha=0\n[Calc1]\nAlpha=0\n"
      "[View]\nMoveX=0.000000000\nMoveY=0.000000000\nMoveZ=0.000000000\n"
      "RotaX=0.000000000\nRotaY=0.000000000\nRotaZ=0.000000000\nRZoom=0.785398163\n"
      "ColorT=3\nColorS=0\nColorR=1\nColorK=-1\nOceanC=16711680\nOceanT=1\nScale=2\n"
      "Alpha=255\n[Rota]\nPitch=5\n";
  EXPECT_EQ(readFile(dir / "p.tvp"), defaults);

  // Every saved setting changed, then the defaults loaded over it: all of them come back (the
  // numbers to the format's nine decimals).
  Scene changed;
  ASSERT_TRUE(openElevationFiles(changed, tile));
  for (const ViewSetting& setting : kViewSettings) {
    if (setting.saved()) {
      const double other = settingValue(kDefaultView, setting) == setting.valid.lo
                               ? setting.valid.hi
                               : setting.valid.lo;
      setSettingValue(changed.view, setting, std::isfinite(other) ? other : 0.5);
    }
  }
  ASSERT_TRUE(LoadProject(changed, dir / "p.tvp"));
  for (const ViewSetting& setting : kViewSettings) {
    SCOPED_TRACE(setting.key);
    EXPECT_NEAR(settingValue(changed.view, setting), settingValue(kDefaultView, setting), 1e-9);
  }
  ASSERT_TRUE(SaveProject(changed, dir / "q.tvp"));
  EXPECT_EQ(readFile(dir / "q.tvp"), defaults);
}

TEST(ProjectFile, PathRule) {
  const fs::path folder = "/p/proj";
  struct Stored {
    fs::path file;
    std::string stored;
  };
  for (const Stored& c : std::vector<Stored>{
           {"/p/proj/a.xml", "a.xml"},
           {"/p/proj/./a.xml", "a.xml"},
           {"/p/proj/sub/a.xml", "/p/proj/sub/a.xml"},  // a subfolder keeps the full path
           {"/p/a.xml", "/p/a.xml"},
           {"/p/proj/x.zip/m.xml", "x.zip/m.xml"},      // an archive member beside the project
           {"/p/proj/x.zip/d/m.xml", "x.zip/d/m.xml"},  // in a folder of the archive
           {"/q/x.zip/m.xml", "/q/x.zip/m.xml"},
       }) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(storedProjectPath(c.file, folder), c.stored);
  }
  struct Resolved {
    std::string stored;
    fs::path path;
  };
  for (const Resolved& c : std::vector<Resolved>{
           {"a.xml", "/p/proj/a.xml"},
           {"sub\\a.xml", "sub/a.xml"},  // a folder part: used as it stands
           {"\\data\\a.xml", "/data/a.xml"},
           {"D:\\a\\b.xml", "D:/a/b.xml"},
           {"x.zip/m.xml", "/p/proj/x.zip/m.xml"},
           {"X.ZIP\\m.xml", "/p/proj/X.ZIP/m.xml"},
           {"x.zip/d/m.xml", "/p/proj/x.zip/d/m.xml"},
           {"/q/x.zip/m.xml", "/q/x.zip/m.xml"},
       }) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(resolveProjectPath(c.stored, folder), c.path);
  }
}

// One elevation file and some stored keys, loaded into a fresh scene.
class ProjectRead : public testing::Test {
protected:
  static void SetUpTestSuite() {
    sDir = new TempDir;
    writeTile(*sDir / "t.xml", 0);
    writeTile(*sDir / "u.xml", 1);
  }
  static void TearDownTestSuite() {
    delete sDir;
    sDir = nullptr;
  }
  bool load(const std::string& text, Scene& scene) {
    const fs::path path = *sDir / "case.tvp";
    EXPECT_TRUE(fixtures::writeBytes(path, text));
    return LoadProject(scene, path);
  }
  static TempDir* sDir;
};
TempDir* ProjectRead::sDir = nullptr;

TEST_F(ProjectRead, OutOfRangeValuesFallBackToTheDefaults) {
  struct Case {
    std::string keys;  // lines after [View]
    std::function<double(const ViewState&)> field;
    double expected;
  };
  auto colour = [](const ViewState& v) { return v.ColorT * 100 + v.ColorS * 10 + v.ColorR; };
  auto hues = [](const ViewState& v) { return v.CRHueR * 1000000 + v.CRHueS * 1000 + v.CRHueE; };
  const std::vector<Case> cases = {
      {"ColorK=2000", [](const ViewState& v) { return v.ColorK; }, -1},
      {"ColorK=1000", [](const ViewState& v) { return v.ColorK; }, 1000},
      {"Scale=150", [](const ViewState& v) { return v.Scale; }, 2},
      {"Alpha=256", [](const ViewState& v) { return v.Alpha; }, 255},
      {"Alpha=0", [](const ViewState& v) { return v.Alpha; }, 0},
      {"x=1\n[Rota]\nPitch=0", [](const ViewState& v) { return v.Pitch; }, 5},
      {"x=1\n[Rota]\nPitch=10", [](const ViewState& v) { return v.Pitch; }, 10},
      {"RotaZ=7.0", [](const ViewState& v) { return v.RotaZ; }, 7.0 - kTwoPi},
      {"RotaX=-1", [](const ViewState& v) { return v.RotaX; }, kTwoPi - 1},
      {"RZoom=3", [](const ViewState& v) { return v.RZoom; }, kQuarterPi},
      {"RZoom=0", [](const ViewState& v) { return v.RZoom; }, kMinZoom},
      {"MoveX=nan\nMoveY=1e999", [](const ViewState& v) { return v.MoveX + v.MoveY; }, 0},
      {"MoveX= 1.5e-1 ", [](const ViewState& v) { return v.MoveX; }, 0.15},
      {"OceanC=4294967295", [](const ViewState& v) { return v.OceanC; }, 4294967295.0},
      {"OceanC=-1", [](const ViewState& v) { return v.OceanC; }, 4294967295.0},
      // Without an image the mode is 3; the land type and colour of a stored mode 1 are not read.
      {"ColorT=1\nColorS=5\nColorR=4", colour, 301},
      {"ColorT=3\nColorS=5\nColorR=4", colour, 354},
      {"ColorS=14\nColorR=8", colour, 441},  // the special composites stay
      {"ColorS=19", colour, 491},
      {"ColorS=10", colour, 301},
      {"ColorS=13", colour, 301},
      {"ColorS=20", colour, 301},
      {"ColorS=-1", colour, 301},
      {"ColorR=6\nCRHueR=0\nCRHueS=10\nCRHueE=239", hues, 10239},
      {"ColorR=6\nCRHueS=240\nCRHueE=-1", hues, 1120200},
      {"ColorR=2\nCRHueR=0\nCRHueS=10\nCRHueE=20", hues, 1120200},
      {"x=1\n[file1]\nALPHA=2", [](const ViewState& v) { return v.LayerAlphaEnabled; }, 1},
      {"colork=250", [](const ViewState& v) { return v.ColorK; }, 250},  // names in any case
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    Scene scene;
    ASSERT_TRUE(load("[File]\nName1=t.xml\n[View]\n" + c.keys + "\n", scene));
    EXPECT_NEAR(c.field(scene.view), c.expected, 1e-12);
  }
}

TEST_F(ProjectRead, ListsEndAtTheFirstMissingName) {
  Scene scene;
  ASSERT_TRUE(load("[File]\nName1=t.xml\nFlag1=0\nName3=u.xml\n", scene));
  EXPECT_EQ(scene.grid.fileCount, 1);
  EXPECT_FALSE(scene.grid.files[0].shown);
  // A missing file costs only its own flag; the others keep theirs, found by name.
  ASSERT_TRUE(load("[File]\nName1=missing.xml\nFlag1=1\nName2=t.xml\nFlag2=0\n", scene));
  EXPECT_EQ(scene.grid.fileCount, 1);
  EXPECT_FALSE(scene.grid.files[0].shown);
  // What fails before the elevation files open fails the load and keeps what is loaded.
  for (const char* text : {"[File]\nName1=\nName2=t.xml\n", "[View]\nColorK=1\n", ""}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(load(text, scene));
    EXPECT_EQ(scene.grid.fileCount, 1);
  }
  EXPECT_FALSE(load("[File]\nName1=missing.xml\n", scene));
  Scene other;
  EXPECT_FALSE(LoadProject(other, *sDir / "t.xml"));
  EXPECT_FALSE(LoadProject(other, *sDir / "none.tvp"));
}

TEST_F(ProjectRead, ShiftJisProjectWithCrlfAndBackslashPaths) {
  // 地表データ\東京.xml (the second byte of 表 is a backslash in CP932) beside the project,
  // and 大阪.xml by its full path written with backslashes.
  const fs::path folder = *sDir / "地表データ";
  fs::create_directories(folder);
  fs::copy_file(*sDir / "t.xml", folder / "東京.xml", fs::copy_options::overwrite_existing);
  fs::copy_file(*sDir / "u.xml", folder / "大阪.xml", fs::copy_options::overwrite_existing);
  std::string windowsDir = sDir->path().string();
  std::replace(windowsDir.begin(), windowsDir.end(), '/', '\\');
  const std::string text =
      "[File]\r\nFlag1=1\r\nName1=\x93\x8c\x8b\x9e.xml\r\nFlag2=0\r\nName2=" + windowsDir +
      "\\\x92\x6e\x95\x5c\x83\x66\x81\x5b\x83\x5e\\\x91\xe5\x8d\xe3.xml\r\n"
      "[View]\r\nColorK=100\r\n";
  ASSERT_TRUE(fixtures::writeBytes(folder / "win.tvp", text));
  Scene scene;
  ASSERT_TRUE(LoadProject(scene, folder / "win.tvp"));
  ASSERT_EQ(scene.grid.fileCount, 2);
  EXPECT_EQ(scene.grid.filePath(0), folder / "東京.xml");
  EXPECT_EQ(scene.grid.filePath(1), folder / "大阪.xml");
  EXPECT_FALSE(scene.grid.files[1].shown);
  EXPECT_EQ(scene.view.ColorK, 100);
  // Saved again, it is UTF-8.
  ASSERT_TRUE(SaveProject(scene, folder / "linux.tvp"));
  EXPECT_NE(readFile(folder / "linux.tvp").find("Name1=東京.xml\nFlag2=0\nName2=大阪.xml\n"),
            std::string::npos);
}

// Runs `save` in a child process that first calls `prepare`; returns the child's exit status:
// 0 saved, 1 refused.
int saveInChild(const std::function<void()>& prepare, const std::function<bool()>& save) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    prepare();
    ::_exit(save() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ProjectRead, FailedSaveLeavesTheOldFileUntouched) {
  const TempDir dir;
  Scene scene;
  ASSERT_TRUE(load("[File]\nName1=" + (*sDir / "t.xml").string() + "\n", scene));
  const fs::path project = dir / "old.tvp";
  ASSERT_TRUE(fixtures::writeBytes(project, "[File]\nName1=keep.xml\n"));
  ::chmod(dir.path().c_str(), 0555);
  // A folder the user cannot write to (root can, so the save runs as nobody), and a disk that
  // fills up in the middle of the write.
  const std::vector<std::pair<const char*, std::function<void()>>> failures = {
      {"read-only folder",
       [] {
         if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
           ::_exit(2);
         }
       }},
      {"disk full",
       [&] {
         ::chmod(dir.path().c_str(), 0755);
         std::signal(SIGXFSZ, SIG_IGN);
         const rlimit limit{16, 16};
         ::setrlimit(RLIMIT_FSIZE, &limit);
       }},
  };
  for (const auto& [name, prepare] : failures) {
    SCOPED_TRACE(name);
    EXPECT_EQ(saveInChild(prepare,
                          [&] {
                            WriteError error;
                            return SaveProject(scene, project, &error) || !error;
                          }),
              1);
    EXPECT_EQ(readFile(project), "[File]\nName1=keep.xml\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  }
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_TRUE(SaveProject(scene, project));
  EXPECT_NE(readFile(project).find("[View]"), std::string::npos);
}

TEST(ProjectText, ReadsAsProfileFilesDo) {
  // UTF-8 first, CP932 otherwise; a byte-order mark goes, UTF-16 is converted, what is valid in
  // neither becomes U+FFFD.
  EXPECT_EQ(decodeText("a=東京"), "a=東京");
  EXPECT_EQ(decodeText("\xEF\xBB\xBFk=v"), "k=v");
  EXPECT_EQ(decodeText("\x93\x8c\x8b\x9e\\\x95\x5c"), "東京\\表");
  EXPECT_EQ(decodeText("ok\x82"), "ok\xEF\xBF\xBD");
  EXPECT_EQ(decodeText(std::string("\xFF\xFEk\0=\0v\0", 8)), "k=v");

  const IniFile ini =
      IniFile::parse("Orphan=1\r\n[File]\r\n  name1 = \"a b.xml\" \r\nNAME1=second\r\n;Name2=x\r\n"
                     "[Other]\nName2=y\n[file]\nName3='q'\nbroken line\n[View\nName4=z\n");
  auto value = [&](const char* section, const char* key) {
    const std::string* v = ini.find(section, key);
    return v == nullptr ? std::string("<none>") : *v;
  };
  EXPECT_EQ(value("File", "Name1"), "a b.xml");  // blanks and quotes go, the first one wins
  EXPECT_EQ(value("File", "Name2"), "<none>");   // a comment
  EXPECT_EQ(value("FILE", "Name3"), "q");        // a repeated section continues
  EXPECT_EQ(value("File", "Name4"), "z");        // a broken header is not a section
  EXPECT_EQ(value("File", "Orphan"), "<none>");

  struct IntCase {
    const char* text;
    int32_t expected;
  };
  for (const IntCase& c : std::vector<IntCase>{{"12abc", 12},
                                               {" -5", -5},
                                               {"+7", 7},
                                               {"4294967295", -1},
                                               {"4294967296", 0},
                                               {"abc", 0},
                                               {"", 42}}) {
    SCOPED_TRACE(c.text);
    const std::string text = c.text;
    EXPECT_EQ(profileInt(&text, 42), c.expected);
  }
  EXPECT_EQ(profileInt(nullptr, 42), 42);
  const std::string half = ".5", junk = "x1", huge = "-1e999", tail = "-2.5e1x";
  EXPECT_EQ(profileDouble(&half), 0.5);
  EXPECT_EQ(profileDouble(&junk), 0.0);
  EXPECT_EQ(profileDouble(&tail), -25.0);
  EXPECT_FALSE(profileDouble(&huge));
  EXPECT_FALSE(profileDouble(nullptr));
}

// Records what the scene asks of its decoder; files whose name starts with "bad" fail.
struct RecordingDecoder : ImageDecoder {
  bool decode(const fs::path& image, const fs::path& base) override {
    decoded = image.filename().string() + "+" + (base.empty() ? "white" : base.filename().string());
    return image.filename().string().rfind("bad", 0) != 0;
  }
  void release() override { ++released; }
  std::string decoded;
  int released = 0;
};

TEST(DrapedImage, LoadsWithItsBaseImageAndReleasesOnFailure) {
  const TempDir dir;
  const std::string jpeg = "\xFF\xD8\xFF\xE0 jpeg", png = "\x89PNG\r\n\x1A\n png";
  for (const auto& [name, bytes] :
       std::vector<std::pair<const char*, std::string>>{{"photo.jpg", jpeg},
                                                        {"photo_B.jpg", jpeg},
                                                        {"aerial.png", png},
                                                        {"map.JPG", jpeg},
                                                        {"map_B.jpg", jpeg},
                                                        {"bad.jpg", jpeg},
                                                        {"text.jpg", "not an image"},
                                                        {"pic.bmp", "BM"}}) {
    ASSERT_TRUE(fixtures::writeBytes(dir / name, bytes));
  }
  Scene scene;
  RecordingDecoder decoder;
  scene.image.decoder = &decoder;
  struct Case {
    const char* name;
    bool loaded;
    std::string decoded;
  };
  for (const Case& c : std::vector<Case>{{"photo.jpg", true, "photo.jpg+photo_B.jpg"},
                                         {"aerial.png", true, "aerial.png+white"},
                                         {"map.JPG", true, "map.JPG+map_B.jpg"},
                                         {"bad.jpg", false, "bad.jpg+white"},
                                         {"missing.png", false, ""}}) {
    SCOPED_TRACE(c.name);
    decoder.decoded.clear();
    EXPECT_EQ(LoadTexture(scene, dir / c.name), c.loaded);
    EXPECT_EQ(scene.image.loaded, c.loaded);
    EXPECT_EQ(decoder.decoded, c.decoded);
  }
  EXPECT_EQ(baseImagePath("x/Photo.PNG"), fs::path("x/Photo_B.png"));

  // A file of another kind is refused and the image stays; opening data releases it.
  ASSERT_TRUE(LoadTexture(scene, dir / "photo.jpg"));
  const int released = decoder.released;
  EXPECT_FALSE(LoadTexture(scene, dir / "pic.bmp"));
  EXPECT_TRUE(scene.image.loaded);
  EXPECT_EQ(decoder.released, released);
  scene.clearScene();
  EXPECT_FALSE(scene.image.loaded);
  EXPECT_EQ(scene.image.path, dir / "photo.jpg");  // kept for reference

  // Without a decoder the file's signature decides.
  scene.image.decoder = nullptr;
  EXPECT_TRUE(LoadTexture(scene, dir / "aerial.png"));
  EXPECT_FALSE(LoadTexture(scene, dir / "text.jpg"));
}

}  // namespace
}  // namespace torvane

namespace torvane {
namespace {

TEST(ProjectFile, LayersKeepTheirSettings) {
  const TempDir dir;
  writeTile(dir / "a.xml", 0);
  const fs::path track = dir / "t.log", marks = dir / "m.bln", cloud = dir / "c.blhrgb";
  fixtures::writeBytes(track,
                       "$GPGGA,1,3500.02,N,13900.02,E,1,8\n$GPGGA,2,3500.03,N,13900.03,E,1,8\n");
  fixtures::writeBytes(marks, "35.0004,139.0004,A\n");
  fixtures::writeBytes(cloud, "35.0004,139.0004,9,0,1,2,3\n");
  Scene scene;
  ASSERT_TRUE(openElevationFiles(scene, std::vector<fs::path>{dir / "a.xml"}));
  ASSERT_TRUE(addLineFiles(scene, std::vector<fs::path>{track, marks, cloud}));
  OverlayStore& layers = scene.overlays;
  layers.setVisible(0, false);
  layers.setPointSize(1, 8);
  layers.setGroupColour(1, 0xFF123456);
  layers.setGroupColour(2, 0xFFFFFF00);
  scene.view.LayerAlphaEnabled = true;
  const fs::path project = dir / "p.tvp";
  ASSERT_TRUE(SaveProject(scene, project));
  EXPECT_NE(readFile(project).find("[File1]\nAlpha=1\nName1=t.log\nFlag1=0\nPSize1=0\n"
                                   "Color1=4278190335\nName2=m.bln\nFlag2=1\nPSize2=8\n"
                                   "Color2=4279383126\nName3=c.blhrgb\n"),
            std::string::npos)
      << readFile(project);

  Scene loaded;
  ASSERT_TRUE(LoadProject(loaded, project));
  const OverlayStore& back = loaded.overlays;
  ASSERT_EQ(back.groupCount(), 3);
  EXPECT_FALSE(back.visible(0));
  EXPECT_EQ(back.pointSize(0), 0) << "line layers keep no point size";
  EXPECT_EQ(back.pointSize(1), 8);
  EXPECT_EQ(back.colour(1) & 0xFFFFFF, 0x123456u);
  EXPECT_EQ(back.vertices()[2].diffuse >> 24, 255u) << "the view's Alpha (255) was applied";
  EXPECT_EQ(back.vertices()[3].diffuse & 0xFFFFFF, 0x010203u) << "clouds keep their colours";
  EXPECT_TRUE(loaded.view.LayerAlphaEnabled);

  // A layer file that has gone: the others load with their own settings and the missing one
  // is reported.
  fs::remove(marks);
  Scene partial;
  FileProblems problems;
  ASSERT_TRUE(LoadProject(partial, project, {}, &problems));
  ASSERT_EQ(partial.overlays.groupCount(), 2);
  EXPECT_FALSE(partial.overlays.visible(0));
  EXPECT_EQ(partial.overlays.colour(0), 0xFF0000FFu);
  EXPECT_TRUE(partial.overlays.visible(1));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].path, marks);
  EXPECT_EQ(problems[0].reason, "not found");
}

}  // namespace
}  // namespace torvane

namespace torvane {
namespace {

// A store holds 300 sets and a save writes them all: a load reads them all back, not only the
// first 100 (the limit of the file and layer lists).
TEST(ProjectFile, MoreThanAHundredContourSetsReloadAll) {
  const TempDir dir;
  fixtures::DemTile t;  // a ramp from 0 to about 300 m: a set for every metre
  t.columns = 12;
  t.rows = 10;
  t.lonNE = t.lonSW + 0.0011;
  t.latNE = t.latSW + 0.0009;
  t.heights = fixtures::sampleHeights(
      t, [&](double lon, double) { return 300 * (lon - t.lonSW) / (t.lonNE - t.lonSW); });
  ASSERT_TRUE(fixtures::writeDemXml(dir / "a.xml", t));
  Scene scene;
  ASSERT_TRUE(openElevationFiles(scene, std::vector<fs::path>{dir / "a.xml"}));
  std::vector<ContourSetRequest> requests;
  for (int level = 1; level <= 160; ++level) {
    requests.push_back(
        {kElevationContour, level, 0xFF000000u + static_cast<uint32_t>(level), level % 3 != 0});
  }
  buildContourSets(scene, requests);
  const int built = scene.contours.groupCount();
  ASSERT_GT(built, 100);
  const fs::path project = dir / "p.tvp";
  ASSERT_TRUE(SaveProject(scene, project));
  Scene loaded;
  ASSERT_TRUE(LoadProject(loaded, project));
  ASSERT_EQ(loaded.contours.groupCount(), built);
  for (int g = 0; g < built; ++g) {
    SCOPED_TRACE(g);
    EXPECT_EQ(loaded.contours.kind(g), scene.contours.kind(g));
    EXPECT_EQ(loaded.contours.value(g), scene.contours.value(g));
    EXPECT_EQ(loaded.contours.visible(g), scene.contours.visible(g));
  }
  ASSERT_TRUE(SaveProject(loaded, dir / "q.tvp"));
  EXPECT_EQ(readFile(dir / "q.tvp"), readFile(project));
}

// Contour sets are stored by kind and value with their flag and colour, and re-created over the
// loaded grid before the relief and transparency of the View section apply to them.
TEST(ProjectFile, ContourSetsAreRebuiltWithTheirSettings) {
  const TempDir dir;
  writeTile(dir / "a.xml", 0);  // heights about 5 to 36 m
  Scene scene;
  ASSERT_TRUE(openElevationFiles(scene, std::vector<fs::path>{dir / "a.xml"}));
  ASSERT_TRUE(buildContourRange(scene, kElevationContour, {10, 30, 10}));
  ContourStore& sets = scene.contours;
  ASSERT_EQ(sets.groupCount(), 3);
  sets.setVisible(1, false);
  sets.setGroupColour(2, 0xFF123456);
  scene.view.ContourAlphaEnabled = true;
  scene.view.Scale = 7;
  scene.view.Alpha = 200;
  const fs::path project = dir / "p.tvp";
  ASSERT_TRUE(SaveProject(scene, project));
  EXPECT_NE(readFile(project).find("[Calc1]\nAlpha=1\nType1=1\nValue1=10\nFlag1=1\n"
                                   "Color1=4294967295\nType2=1\nValue2=20\nFlag2=0\n"
                                   "Color2=4294967295\nType3=1\nValue3=30\nFlag3=1\n"
                                   "Color3=4279383126\n[View]"),
            std::string::npos)
      << readFile(project);

  Scene loaded;
  ASSERT_TRUE(LoadProject(loaded, project));
  const ContourStore& back = loaded.contours;
  ASSERT_EQ(back.groupCount(), 3);
  EXPECT_TRUE(back.visible(0));
  EXPECT_FALSE(back.visible(1));
  EXPECT_EQ(back.colour(2) & 0xFFFFFF, 0x123456u);
  EXPECT_TRUE(loaded.view.ContourAlphaEnabled);
  ASSERT_EQ(back.pointTotal(), sets.pointTotal());
  // The same points as the sets that were saved: built, then raised to relief 7 and given the
  // transparency 200, like the terrain.
  ApplyRelief(scene);
  ApplyTransparency(scene);
  for (uint32_t i = 0; i < back.pointTotal(); ++i) {
    ASSERT_FLOAT_EQ(back.vertices()[i].z, sets.vertices()[i].z) << i;
    ASSERT_EQ(back.vertices()[i].diffuse >> 24, 200u) << i;
  }
  ASSERT_TRUE(SaveProject(loaded, dir / "q.tvp"));
  EXPECT_EQ(readFile(dir / "q.tvp"), readFile(project));

  // Stored lists from elsewhere: a kind the program cannot build, a level the terrain does not
  // reach and a repeated set are left out and the next entry is tried; the list ends at the
  // first entry without a kind or a value.
  fixtures::writeBytes(dir / "r.tvp",
                       "[File]\nName1=a.xml\n[Calc1]\nType1=3\nValue1=10\n"
                       "Type2=1\nValue2=500\nType3=1\nValue3=20\nFlag3=0\nColor3=255\n"
                       "Type4=1\nValue4=20\nType5=2\nValue5=-9999\nType6=1\nValue6=30\n");
  Scene stored;
  ASSERT_TRUE(LoadProject(stored, dir / "r.tvp"));
  ASSERT_EQ(stored.contours.groupCount(), 1);
  EXPECT_EQ(stored.contours.value(0), 20);
  EXPECT_FALSE(stored.contours.visible(0));
  EXPECT_EQ(stored.contours.colour(0), 255u);
}

}  // namespace
}  // namespace torvane

namespace torvane {
namespace {

// GDAL rasters are stored by name like every elevation file, and a project of plane-zone
// rasters opens them in their zone again.
TEST(ProjectFile, RastersRoundTripInTheirCoordinates) {
  const TempDir dir;
  fixtures::RasterTile geo;
  geo.columns = 6;
  geo.rows = 5;
  geo.heights.assign(30, 120.0);
  ASSERT_TRUE(fixtures::writeRaster(dir / "geo.tif", geo));
  fixtures::RasterTile plane = geo;
  plane.epsg = 6677;
  plane.west = -8000;
  plane.north = -30000;
  plane.dx = plane.dy = 5;
  ASSERT_TRUE(fixtures::writeRaster(dir / "plane.tiff", plane));
  for (const char* name : {"geo.tif", "plane.tiff"}) {
    SCOPED_TRACE(name);
    Scene scene;
    ASSERT_TRUE(openElevationData(scene, std::vector<fs::path>{dir / name}));
    ASSERT_TRUE(SaveProject(scene, dir / "p.tvp"));
    EXPECT_NE(readFile(dir / "p.tvp").find(std::string("Name1=") + name + "\n"), std::string::npos);
    Scene loaded;
    ASSERT_TRUE(LoadProject(loaded, dir / "p.tvp"));
    EXPECT_EQ(loaded.grid.count, scene.grid.count);
    EXPECT_EQ(loaded.grid.GeoCoordinates, scene.grid.GeoCoordinates);
    EXPECT_EQ(loaded.grid.planeZone, scene.grid.planeZone);
    EXPECT_EQ(loaded.grid.Xmax, scene.grid.Xmax);
    EXPECT_EQ(loaded.grid.Hmax, 120.0);
  }
}

}  // namespace
}  // namespace torvane
