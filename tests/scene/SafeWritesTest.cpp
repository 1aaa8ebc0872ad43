// Every file the core writes goes through the safe writer: on a full disk each one fails with
// the system's reason and keeps the old file, and none replaces a file it was made from.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "contour/ContourRules.h"
#include "elevation/TvdFile.h"
#include "scene/Contours.h"
#include "scene/ProjectFile.h"
#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/ReaderChecks.h"
#include "tests/support/TempDir.h"
#include "tests/support/WriteFaults.h"

using namespace torvane;
using fixtures::FaultAt;
using fixtures::fileBytes;
using fixtures::folderEntries;
namespace fs = std::filesystem;

namespace {

//! One of the core's writers: writes `target` from the scene; "" when written, else the
//! message it failed with.
struct Writer {
  const char* name;
  const char* file;
  std::function<std::string(const Scene&, const fs::path&)> write;
};

std::string messageOf(bool ok, const WriteError& error) { return ok ? "" : error.message(); }

const Writer kWriters[] = {
    {"project", "p.tvp",
     [](const Scene& scene, const fs::path& target) {
       WriteError error;
       return messageOf(SaveProject(scene, target, &error), error);
     }},
    {"contour GeoJSON", "c.geojson",
     [](const Scene& scene, const fs::path& target) {
       WriteError error;
       return messageOf(exportContourGeoJson(scene, target, false, &error), error);
     }},
    {".tvd conversion", "g.tvd",
     [](const Scene& scene, const fs::path& target) {
       std::string error;
       return convertToTvd(scene.grid.filePath(0), target, error) == ConvertStatus::Written
                  ? std::string()
                  : error;
     }},
};

class SafeWrites : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(fixtures::writeDemXml(mDir / "a.xml", fixtures::landscapeTile(40, 30)));
    mOpened = fixtures::openScene({mDir / "a.xml"});
    ASSERT_TRUE(mOpened->ok);
    const std::optional<FieldRange> field = contourFieldRange(mOpened->scene.grid, 1);
    ASSERT_TRUE(field);
    const std::optional<ContourLevels> levels = contourRangeFor(
        *field, 10, static_cast<int>(field->minimum), static_cast<int>(field->maximum));
    ASSERT_TRUE(levels);
    ASSERT_TRUE(buildContourRange(mOpened->scene, 1, *levels));
  }

  fixtures::TempDir mDir;
  std::unique_ptr<fixtures::OpenedScene> mOpened;
};

}  // namespace

TEST_F(SafeWrites, FullDiskKeepsTheOldFileOfEveryWriter) {
  const Scene& scene = mOpened->scene;
  for (const Writer& writer : kWriters) {
    const fs::path target = mDir / writer.file;
    for (const FaultAt at : {FaultAt::Write, FaultAt::Fsync, FaultAt::Close, FaultAt::Rename}) {
      SCOPED_TRACE(std::string(writer.name) + ", failing " + fixtures::faultName(at));
      ASSERT_TRUE(fixtures::writeBytes(target, "old"));
      const std::vector<std::string> before = folderEntries(mDir.path());
      std::string message;
      {
        fixtures::WriteFault fault(at);
        message = writer.write(scene, target);
        EXPECT_TRUE(fault.hit());
      }
      EXPECT_EQ(message, "cannot write " + target.string() + ": No space left on device");
      EXPECT_EQ(fileBytes(target), "old");
      EXPECT_EQ(folderEntries(mDir.path()), before);
    }
    SCOPED_TRACE(writer.name);
    EXPECT_EQ(writer.write(scene, target), "");
    EXPECT_NE(fileBytes(target), "old");
  }
}

TEST_F(SafeWrites, NoWriterReplacesTheFilesItWasMadeFrom) {
  const Scene& scene = mOpened->scene;
  const fs::path input = mDir / "a.xml";
  const std::string bytes = fileBytes(input);
  fs::create_symlink(input, mDir / "link.geojson");
  fs::create_symlink(input, mDir / "link.tvd");
  // The project writer takes only .tvp names, which no input of a scene has.
  for (const Writer& writer : kWriters) {
    const fs::path extension = fs::path(writer.file).extension();
    if (extension == ".tvp") {
      continue;
    }
    for (const fs::path& target : {input, mDir / ("link" + extension.string())}) {
      SCOPED_TRACE(std::string(writer.name) + " to " + target.filename().string());
      EXPECT_EQ(writer.write(scene, target),
                "cannot write " + target.string() + ": is one of the input files");
      EXPECT_EQ(fileBytes(input), bytes);
    }
  }
}
