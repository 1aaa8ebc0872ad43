// What torvane-cli's writers do with targets they must not replace and with disks that fail:
// exit status 1, the old file as it was, nothing left behind.

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/support/DemXmlWriter.h"
#include "tests/support/GridWriters.h"
#include "tests/support/RunCli.h"
#include "tests/support/TempDir.h"
#include "tests/support/WriteFaults.h"
#include "tests/support/ZipWriter.h"

using namespace torvane;
using fixtures::fileBytes;
using fixtures::folderEntries;
namespace fs = std::filesystem;

namespace {

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

class CliWrites : public ::testing::Test {
protected:
  void SetUp() override {
    mDem = fixtures::demXmlText(fixtures::landscapeTile(30, 20));
    ASSERT_TRUE(fixtures::writeBytes(mDir / "a.xml", mDem));
    ASSERT_TRUE(fixtures::writeBytes(mDir / "p.tvp", "[File]\nName1=a.xml\n"));
  }

  // Each CLI writer with its target in the test folder.
  struct Command {
    const char* name;
    std::vector<const char*> targets;  // the files it writes
    std::string args;
  };
  std::vector<Command> writers() const {
    const std::string a = q(mDir / "a.xml");
    return {
        {"convert", {"g.tvd"}, "convert " + a + " --output " + q(mDir / "g.tvd")},
        {"contours --geojson",
         {"c.geojson"},
         "contours " + a + " --kind elevation --first 0 --last 1000 --step 10 --geojson " +
             q(mDir / "c.geojson")},
        {"project --save",
         {"q.tvp"},
         "project " + q(mDir / "p.tvp") + " --save " + q(mDir / "q.tvp")},
        {"colours --png", {"m.png", "m.pgw"}, "colours " + a + " --png " + q(mDir / "m.png")},
        {"profile --csv",
         {"s.csv"},
         "profile " + a + " --ruler 0,0,10,10 --csv " + q(mDir / "s.csv")},
        {"export-dem", {"d.tif"}, "export-dem " + a + " --output " + q(mDir / "d.tif")},
    };
  }

  fixtures::TempDir mDir;
  std::string mDem;
};

}  // namespace

TEST_F(CliWrites, OutputThatIsAnInputIsRefused) {
  ASSERT_TRUE(fixtures::writeZip(mDir / "one.zip", {{"m.xml", mDem}}));
  fs::create_directory(mDir / "sub");
  fs::create_symlink(mDir / "a.xml", mDir / "link.xml");
  const std::string a = q(mDir / "a.xml");
  const std::string contours = " --kind elevation --first 0 --last 1000 --step 10 --geojson ";
  const std::pair<const char*, std::string> cases[] = {
      {"convert to itself", "convert " + a + " --output " + a},
      {"convert to another spelling", "convert " + a + " --output " + q(mDir / "sub/../a.xml")},
      {"convert to a link of it", "convert " + a + " --output " + q(mDir / "link.xml")},
      {"convert an archive to itself",
       "convert " + q(mDir / "one.zip") + " --output " + q(mDir / "one.zip")},
      {"convert a member to its archive",
       "convert " + q(mDir / "one.zip/m.xml") + " --output " + q(mDir / "one.zip")},
      {"contours over an input", "contours " + a + contours + a},
      {"contours over an archive",
       "contours " + q(mDir / "one.zip") + contours + q(mDir / "one.zip")},
      {"profile over an input", "profile " + a + " --ruler 0,0,10,10 --csv " + a},
      {"export-dem over an input", "export-dem " + a + " --output " + a},
      {"export-dem over an archive",
       "export-dem " + q(mDir / "one.zip/m.xml") + " --output " + q(mDir / "one.zip")},
  };
  const std::string zip = fileBytes(mDir / "one.zip");
  const std::vector<std::string> before = folderEntries(mDir.path());
  for (const auto& [name, args] : cases) {
    SCOPED_TRACE(name);
    const fixtures::CliResult r = fixtures::runCli(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("{\"ok\":false,", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("is one of the input files"), std::string::npos) << r.out;
    EXPECT_EQ(fileBytes(mDir / "a.xml"), mDem);
    EXPECT_EQ(fileBytes(mDir / "one.zip"), zip);
    EXPECT_EQ(folderEntries(mDir.path()), before);
  }
}

TEST_F(CliWrites, FailingWritesExitOneAndKeepTheOldFiles) {
  // The system refuses every byte (a file size limit of 0: EFBIG instead of a full disk's
  // ENOSPC, but through the same checks).
  const std::string noRoom = "trap '' XFSZ; ulimit -f 0; exec ";
  for (const auto& writer : writers()) {
    SCOPED_TRACE(writer.name);
    for (const char* target : writer.targets) {
      ASSERT_TRUE(fixtures::writeBytes(mDir / target, "old"));
    }
    const std::vector<std::string> before = folderEntries(mDir.path());
    const fixtures::CliResult r = fixtures::runCli(writer.args, noRoom);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("\"ok\":false"), std::string::npos) << r.out;
    for (const char* target : writer.targets) {
      EXPECT_EQ(fileBytes(mDir / target), "old") << target;
    }
    EXPECT_EQ(folderEntries(mDir.path()), before);
    // With room, the same command writes.
    EXPECT_EQ(fixtures::runCli(writer.args).status, 0);
    for (const char* target : writer.targets) {
      EXPECT_NE(fileBytes(mDir / target), "old") << target;
    }
  }
}

TEST_F(CliWrites, ReadOnlyTargetsAreRefused) {
  std::vector<Command> commands = writers();
  for (const auto& writer : commands) {
    for (const char* target : writer.targets) {
      ASSERT_TRUE(fixtures::writeBytes(mDir / target, "old"));
      ASSERT_EQ(::chmod((mDir / target).c_str(), 0444), 0);
    }
  }
  if (::geteuid() == 0) {
    // As root the command runs as nobody, who owns the folder and the files.
    for (const auto& entry : fs::directory_iterator(mDir.path())) {
      ASSERT_EQ(::chown(entry.path().c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chown(mDir.path().c_str(), 65534, 65534), 0);
  }
  for (const auto& writer : commands) {
    SCOPED_TRACE(writer.name);
    const int status = fixtures::runAsNobody([&] { return fixtures::runCli(writer.args).status; });
    if (status < 0 || status == 126) {  // 126: the user cannot reach the program's folder
      GTEST_SKIP() << "cannot run as an ordinary user here";
    }
    EXPECT_EQ(status, 1);
    for (const char* target : writer.targets) {
      EXPECT_EQ(fileBytes(mDir / target), "old") << target;
    }
  }
}

TEST_F(CliWrites, LinkedTargetIsFollowed) {
  fs::create_directory(mDir / "real");
  ASSERT_TRUE(fixtures::writeBytes(mDir / "real" / "g.tvd", "old"));
  fs::create_symlink("real/g.tvd", mDir / "link.tvd");
  const fixtures::CliResult r =
      fixtures::runCli("convert " + q(mDir / "a.xml") + " --output " + q(mDir / "link.tvd"));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(fs::is_symlink(mDir / "link.tvd"));
  EXPECT_EQ(fs::file_size(mDir / "real" / "g.tvd"), 40u + 4u * 30 * 20);
}

TEST_F(CliWrites, ImageAndWorldFileFailTogether) {
  // The world file cannot be written (a folder has its name): the old image stays too.
  ASSERT_TRUE(fixtures::writeBytes(mDir / "m.png", "old image"));
  fs::create_directory(mDir / "m.pgw");
  const fixtures::CliResult r =
      fixtures::runCli("colours " + q(mDir / "a.xml") + " --png " + q(mDir / "m.png"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("m.pgw: Is a directory"), std::string::npos) << r.out;
  EXPECT_EQ(fileBytes(mDir / "m.png"), "old image");
  EXPECT_TRUE(fs::is_directory(mDir / "m.pgw"));
}
