// The safe writer: a failing disk leaves the old file and no temporary file, refused targets
// stay as they were, links are followed, temporary files of killed writes are cleared, and
// files written together are replaced together.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "elevation/AtomicFile.h"
#include "resources/Texts.h"
#include "tests/support/GridWriters.h"
#include "tests/support/TempDir.h"
#include "tests/support/WriteFaults.h"
#include "tests/support/ZipWriter.h"

using namespace torvane;
using fixtures::FaultAt;
using fixtures::fileBytes;
using fixtures::folderEntries;
namespace fs = std::filesystem;

namespace {

// More than the writer's buffer, given in small pieces: the content takes several writes.
const std::string kNew(200'000, 'n');
bool writeInPieces(const fs::path& target, WriteError* error) {
  return writeFileAtomically(
      target,
      [](AtomicFile& file) {
        for (size_t at = 0; at < kNew.size(); at += 1000) {
          if (!file.write(std::string_view(kNew).substr(at, 1000))) {
            return false;
          }
        }
        return true;
      },
      {}, error);
}

}  // namespace

TEST(AtomicFile, FailingDiskKeepsTheOldFileAndLeavesNothing) {
  struct Case {
    FaultAt at;
    int nth;
    bool existing;
  };
  const Case cases[] = {
      {FaultAt::Write, 1, true},  {FaultAt::Write, 2, true},   {FaultAt::Fsync, 1, true},
      {FaultAt::Close, 1, true},  {FaultAt::Rename, 1, true},  {FaultAt::Write, 3, false},
      {FaultAt::Fsync, 1, false}, {FaultAt::Rename, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(fixtures::faultName(c.at)) + " #" + std::to_string(c.nth) +
                 (c.existing ? " over an old file" : " of a new file"));
    fixtures::TempDir dir;
    const fs::path target = dir / "out.dat";
    if (c.existing) {
      ASSERT_TRUE(fixtures::writeBytes(target, "old"));
    }
    const std::vector<std::string> before = folderEntries(dir.path());
    WriteError error;
    {
      fixtures::WriteFault fault(c.at, c.nth);
      EXPECT_FALSE(writeInPieces(target, &error));
      EXPECT_TRUE(fault.hit());
    }
    EXPECT_EQ(fileBytes(target), c.existing ? "old" : "(absent)");
    EXPECT_EQ(folderEntries(dir.path()), before);
    EXPECT_EQ(error.kind, WriteError::Kind::System);
    EXPECT_EQ(error.code, ENOSPC);
    EXPECT_EQ(error.message(), "cannot write " + target.string() + ": No space left on device");
    EXPECT_EQ(error.localMessage(), target.string() + ": " + std::string(text(kTextWriteDiskFull)));
  }
  // Without a fault the same write goes through.
  fixtures::TempDir dir;
  ASSERT_TRUE(writeInPieces(dir / "out.dat", nullptr));
  EXPECT_TRUE(fileBytes(dir / "out.dat") == kNew);
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.dat"});
}

TEST(AtomicFile, RefusedTargetsStayAsTheyWere) {
  fixtures::TempDir dir;
  const fs::path input = dir / "in.xml";
  ASSERT_TRUE(fixtures::writeBytes(input, "input"));
  fs::create_directory(dir / "sub");
  fs::create_symlink(input, dir / "link.xml");
  fs::create_hard_link(input, dir / "hard.xml");
  ASSERT_TRUE(fixtures::writeZip(dir / "a.zip", {{"m.xml", "member"}}));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  fs::create_symlink("loop2", dir / "loop1");
  fs::create_symlink("loop1", dir / "loop2");

  const std::vector<fs::path> inputs = {input, dir / "a.zip" / "m.xml"};
  using Kind = WriteError::Kind;
  struct Case {
    const char* name;
    fs::path target;
    Kind kind;
    int code;
  };
  const Case cases[] = {
      {"the input itself", input, Kind::InputFile, 0},
      {"another spelling", dir / "sub" / ".." / "in.xml", Kind::InputFile, 0},
      {"a link to it", dir / "link.xml", Kind::InputFile, 0},
      {"a hard link of it", dir / "hard.xml", Kind::InputFile, 0},
      {"the archive of an input member", dir / "a.zip", Kind::InputFile, 0},
      {"a folder", dir / "sub", Kind::System, EISDIR},
      {"a fifo", dir / "fifo", Kind::NotAFile, 0},
      {"a cycle of links", dir / "loop1", Kind::System, ELOOP},
      {"a missing folder", dir / "none" / "x.xml", Kind::System, ENOENT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> before = folderEntries(dir.path());
    WriteError checked, written;
    EXPECT_FALSE(checkWriteTarget(c.target, WriteGuard{inputs}, &checked));
    EXPECT_FALSE(writeFileAtomically(c.target, "new", WriteGuard{inputs}, &written));
    EXPECT_EQ(checked.kind, c.kind);
    EXPECT_EQ(written.kind, c.kind);
    EXPECT_EQ(written.code, c.code);
    EXPECT_EQ(written.path, c.target);
    EXPECT_EQ(folderEntries(dir.path()), before);
  }
  EXPECT_EQ(fileBytes(input), "input");
  EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
  const WriteError asInput{Kind::InputFile, 0, input, {}};
  EXPECT_EQ(asInput.message(), "cannot write " + input.string() + ": is one of the input files");
  EXPECT_EQ(asInput.localMessage(), input.string() + ": " + std::string(text(kTextWriteInputFile)));
  // Other files in the same folder are written as usual.
  EXPECT_TRUE(checkWriteTarget(dir / "out.xml", WriteGuard{inputs}));
  EXPECT_TRUE(writeFileAtomically(dir / "out.xml", "new", WriteGuard{inputs}));
}

TEST(AtomicFile, LinksAreFollowedAndModesKept) {
  fixtures::TempDir dir;
  fs::create_directory(dir / "real");
  ASSERT_TRUE(fixtures::writeBytes(dir / "real" / "a.tvd", "old"));
  ASSERT_EQ(::chmod((dir / "real" / "a.tvd").c_str(), 0640), 0);
  fs::create_symlink("real/a.tvd", dir / "link.tvd");
  fs::create_symlink(dir / "real" / "new.tvd", dir / "dangling.tvd");

  ASSERT_TRUE(writeFileAtomically(dir / "link.tvd", "new"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.tvd"));
  EXPECT_EQ(fileBytes(dir / "real" / "a.tvd"), "new");
  struct stat st {};
  ASSERT_EQ(::stat((dir / "real" / "a.tvd").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // A link to a file that does not exist yet creates that file.
  ASSERT_TRUE(writeFileAtomically(dir / "dangling.tvd", "created"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.tvd"));
  EXPECT_EQ(fileBytes(dir / "real" / "new.tvd"), "created");
  // The temporary files were made beside the files written, and are gone.
  EXPECT_EQ(folderEntries(dir / "real"), (std::vector<std::string>{"a.tvd", "new.tvd"}));
}

TEST(AtomicFile, TemporaryFileIsHiddenAndKilledWritesAreCleared) {
  fixtures::TempDir dir;
  const std::string dead = std::to_string(fixtures::endedProcessId());
  const std::vector<std::string> kept = {
      ".a.tvd.tmp1.Live01",              // process 1 always runs: a write still going on
      ".b.tvd.tmp" + dead + ".Other1",   // another target's
      ".a.tvd.tmp" + dead + ".long123",  // not a name the writer makes
      ".a.tvd.tmp" + dead + "x.Abc123",
      "a.tvd.tmp" + dead + ".Abc123",
  };
  const std::string stale = ".a.tvd.tmp" + dead + ".Stale1";
  for (const std::string& name : kept) {
    ASSERT_TRUE(fixtures::writeBytes(dir / name, "x"));
  }
  ASSERT_TRUE(fixtures::writeBytes(dir / stale, "partial"));

  std::vector<std::string> during;
  ASSERT_TRUE(writeFileAtomically(dir / "a.tvd", [&](AtomicFile& file) {
    during = folderEntries(dir.path());
    return file.write("grid");
  }));
  EXPECT_EQ(fileBytes(dir / "a.tvd"), "grid");
  std::vector<std::string> after = kept;
  after.push_back("a.tvd");
  std::sort(after.begin(), after.end());
  EXPECT_EQ(folderEntries(dir.path()), after);

  // While it was written: the stale file was gone and this write's own temporary file was a
  // hidden one naming this process.
  std::vector<std::string> added;
  for (const std::string& name : during) {
    if (std::find(kept.begin(), kept.end(), name) == kept.end()) {
      added.push_back(name);
    }
  }
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].rfind(".a.tvd.tmp" + std::to_string(::getpid()) + ".", 0), 0u) << added[0];
}

TEST(AtomicFile, FilesWrittenTogetherAreReplacedTogether) {
  struct Case {
    const char* name;
    FaultAt at;
    int nth;
    bool worldExists;
  };
  // Writes, syncs and renames go file by file: call 2 of each is the world file's.
  const Case cases[] = {
      {"world file's write", FaultAt::Write, 2, true},
      {"world file's fsync", FaultAt::Fsync, 2, true},
      {"world file's close", FaultAt::Close, 2, true},
      {"world file's rename", FaultAt::Rename, 2, true},
      {"new world file's rename", FaultAt::Rename, 2, false},
      {"image's rename", FaultAt::Rename, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fixtures::TempDir dir;
    ASSERT_TRUE(fixtures::writeBytes(dir / "b.png", "old image"));
    if (c.worldExists) {
      ASSERT_TRUE(fixtures::writeBytes(dir / "b.pgw", "old world"));
    }
    const std::vector<std::string> before = folderEntries(dir.path());
    const OutputFile files[] = {{dir / "b.png", "new image"}, {dir / "b.pgw", "new world"}};
    WriteError error;
    {
      fixtures::WriteFault fault(c.at, c.nth);
      EXPECT_FALSE(writeFilesAtomically(files, {}, &error));
      EXPECT_TRUE(fault.hit());
    }
    EXPECT_EQ(error.code, ENOSPC);
    EXPECT_EQ(fileBytes(dir / "b.png"), "old image");
    EXPECT_EQ(fileBytes(dir / "b.pgw"), c.worldExists ? "old world" : "(absent)");
    EXPECT_EQ(folderEntries(dir.path()), before);
  }
  fixtures::TempDir dir;
  ASSERT_TRUE(fixtures::writeBytes(dir / "b.png", "old image"));
  const OutputFile files[] = {{dir / "b.png", "new image"}, {dir / "b.pgw", "new world"}};
  ASSERT_TRUE(writeFilesAtomically(files));
  EXPECT_EQ(fileBytes(dir / "b.png"), "new image");
  EXPECT_EQ(fileBytes(dir / "b.pgw"), "new world");
  EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"b.pgw", "b.png"}));
}

TEST(AtomicFile, ReadOnlyTargetIsRefusedForAnOrdinaryUser) {
  fixtures::TempDir dir;
  const fs::path target = dir / "ro.tvp";
  ASSERT_TRUE(fixtures::writeBytes(target, "old"));
  // The user owns the file and may write in its folder, but the file itself is read-only.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  const int status = fixtures::runAsNobody([&] {
    WriteError error;
    const bool written = writeFileAtomically(target, "new", {}, &error);
    return !written && error.code == EACCES && folderEntries(dir.path()).size() == 1 ? 0 : 1;
  });
  if (status < 0) {
    GTEST_SKIP() << "cannot run as an ordinary user here";
  }
  EXPECT_EQ(status, 0);
  EXPECT_EQ(fileBytes(target), "old");
}
