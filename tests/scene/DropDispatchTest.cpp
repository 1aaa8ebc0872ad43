#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "scene/DropDispatch.h"
#include "resources/Texts.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;

DropDecision drop(std::vector<fs::path> paths, bool grid = false, bool geo = true,
                  bool rotating = false) {
  return decideDrop(paths, DropContext{rotating, grid, geo});
}

TEST(DropDispatch, ProjectsAndImagesTakeExactlyOnePath) {
  EXPECT_EQ(drop({"a.TVP"}).action, DropAction::LoadProject);
  EXPECT_EQ(drop({"a.tvp", "b.tvp"}).action, DropAction::Refuse);
  EXPECT_EQ(drop({"a.tvp", "b.tvp"}).errorText, kTextOneFileOnly);

  EXPECT_EQ(drop({"a.jpg"}).errorText, kTextNoElevationData);  // before any elevation data
  EXPECT_EQ(drop({"a.jpg"}).action, DropAction::Refuse);
  EXPECT_EQ(drop({"a.png"}, true).action, DropAction::LoadTexture);
  EXPECT_EQ(drop({"a.png"}, true).errorText, kTextUnsupportedFile);
  EXPECT_EQ(drop({"a.JPG", "b.jpg"}, true).errorText, kTextOneFileOnly);
}

TEST(DropDispatch, LineDataNeedsAGridOfTheRightKind) {
  for (const char* name : {"t.log", "t.NMEA", "m.BLN", "p.blhrgb"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(drop({name}).errorText, kTextNoElevationData);
    EXPECT_EQ(drop({name}, true, false).errorText, kTextNoElevationData);
    EXPECT_EQ(drop({name}, true, true).action, DropAction::AddLineFiles);
  }
  EXPECT_EQ(drop({"m.xyn"}, true, true).action, DropAction::Refuse);
  EXPECT_EQ(drop({"m.xyn"}, true, false).action, DropAction::AddLineFiles);
  EXPECT_EQ(drop({"m.xyn"}).action, DropAction::Refuse);
}

TEST(DropDispatch, XmlIsElevationUnlessAGeographicGridIsLoaded) {
  EXPECT_EQ(drop({"a.xml"}).action, DropAction::OpenElevation);
  EXPECT_EQ(drop({"a.xml"}, true, false).action, DropAction::OpenElevation);
  EXPECT_EQ(drop({"a.xml", "b.xml"}, true, true).action, DropAction::LineFilesOrElevation);
  EXPECT_EQ(drop({"a.Lem", "b.lem"}, true).action, DropAction::OpenLem);
  EXPECT_EQ(drop({"a.tvd"}).action, DropAction::OpenElevation);
  EXPECT_EQ(drop({"a.bil"}).errorText, kTextNoValidData);
  EXPECT_EQ(drop({"README"}).action, DropAction::OpenElevation);
}

TEST(DropDispatch, NothingWhileRotatingOrEmpty) {
  EXPECT_EQ(drop({"a.xml"}, false, true, true).action, DropAction::None);
  EXPECT_EQ(drop({}).action, DropAction::None);
}

TEST(DropDispatch, OnlyTheFirstHundredPathsCount) {
  std::vector<fs::path> many(101, "a.tvp");
  EXPECT_EQ(drop(many).errorText, kTextOneFileOnly);
}

class DropFiles : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("torvane-drop-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path write(const std::string& name, const std::string& body) {
    fs::path p = dir / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << body;
    return p;
  }
  fs::path dir;
};

TEST_F(DropFiles, DemTestReadsTwelveLinesAfterBlanksAndBom) {
  std::string head = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n";
  for (int i = 2; i <= 11; ++i) {
    head += "<x/>\r\n";
  }
  EXPECT_TRUE(isDemXmlFile(write("dem.xml", head + "\t<DEM gml:id=\"DEM001\">\r\n<rest/>\r\n")));
  EXPECT_FALSE(isDemXmlFile(write("late.xml", head + "<x/>\r\n\t<DEM>\r\n")));
  EXPECT_FALSE(isDemXmlFile(write("fgd.xml", head + "\t<RdCL gml:id=\"K1\">\r\n")));
  // A short file: the last line read is the one that counts.
  EXPECT_TRUE(isDemXmlFile(write("short.xml", "<a/>\n<DEM>\n")));
  EXPECT_FALSE(isDemXmlFile(dir / "missing.xml"));
  EXPECT_TRUE(isDemXmlFile(fs::path(TORVANE_DEMO_DIR) / "FG-GML-5239-40-00-DEM5A-20161001.xml"));
}

TEST_F(DropFiles, DrapedImageBesideTheLemFileOrInPhoto) {
  const fs::path lem = dir / "a" / "DEM" / "x.lem";
  EXPECT_EQ(drapedImageForLem(lem), dir / "a" / "PHOTO" / "x.jpg");
  write("a/DEM/x.jpg", "jpeg");
  EXPECT_EQ(drapedImageForLem(lem), dir / "a" / "DEM" / "x.jpg");
}

TEST_F(DropFiles, CommandLineAndAutoRunProjects) {
  const std::vector<std::string> bare = {"x.TVP"};
  EXPECT_EQ(commandLineProject(bare, dir), dir / "x.TVP");
  const std::vector<std::string> sub = {"sub/x.tvp"};
  EXPECT_EQ(commandLineProject(sub, dir), fs::path("sub/x.tvp"));
  const std::vector<std::string> two = {"a.tvp", "b.tvp"};
  EXPECT_FALSE(commandLineProject(two, dir));
  const std::vector<std::string> other = {"a.xml"};
  EXPECT_FALSE(commandLineProject(other, dir));

  const auto given = commandLineProject(bare, dir);
  EXPECT_EQ(startupProject(given, dir), given);
  EXPECT_FALSE(startupProject(std::nullopt, dir));
  write("AutoRun.tvp", "[File]\n");
  EXPECT_EQ(startupProject(given, dir), dir / "AutoRun.tvp");
}

}  // namespace
}  // namespace torvane

namespace torvane {
namespace {

bool listNothing(ElevationGrid&, const std::filesystem::path&) { return false; }
bool readNothing(NodeSink&, const std::filesystem::path&, uint64_t, const RowProgress&) {
  return false;
}
bool addNothing(OverlayStore&, const LineReadContext&, const std::filesystem::path&) {
  return false;
}
bool planeFile(const std::filesystem::path& path) { return path.stem() == "plane"; }

// A format added to a registry is dropped, listed in the dialogs' file types and named in the
// usage texts with no other edit.
TEST(DropDispatch, FormatsComeFromTheRegistries) {
  std::vector<ElevationReader> rasters(elevationReaders().begin(), elevationReaders().end());
  rasters.push_back({".ras", &listNothing, &readNothing, GridCoordinates::Either, &planeFile, "RAS",
                     "not a raster"});
  std::vector<LineFormat> lines(lineFormats().begin(), lineFormats().end());
  lines.push_back({".trk", true, &addNothing, "TRK"});
  auto drop = [&](const char* name, bool grid) {
    DropContext context{false, grid, true};
    context.elevationFormats = rasters;
    context.lineFileFormats = lines;
    return decideDrop(std::vector<std::filesystem::path>{name}, context).action;
  };
  EXPECT_EQ(drop("t.TRK", true), DropAction::AddLineFiles);
  EXPECT_EQ(drop("t.trk", false), DropAction::Refuse);
  EXPECT_EQ(drop("dem.ras", false), DropAction::OpenElevation);
  EXPECT_EQ(drop("plane.ras", true), DropAction::OpenLem);
  EXPECT_EQ(decideDrop(std::vector<std::filesystem::path>{"t.trk"}, DropContext{false, true, true})
                .action,
            DropAction::OpenElevation)
      << "unknown to the built-in registry";

  const std::vector<FileType> types = elevationFileTypes(rasters);
  EXPECT_EQ(types.back().name, "ZIP");
  EXPECT_EQ(types[types.size() - 2].name, "RAS");
  EXPECT_EQ(types[types.size() - 2].patterns, std::vector<std::string>{"*.ras"});
  const std::vector<FileType> lineTypes = lineFileTypes(true, lines);
  EXPECT_EQ(lineTypes.back().name, "TRK");
  EXPECT_EQ(lineTypes[1].patterns, (std::vector<std::string>{"*.log", "*.nmea"}));
  EXPECT_TRUE(lineFileTypes(false, lines).size() == 1u) << "only .xyn over plane data";
}

}  // namespace
}  // namespace torvane
