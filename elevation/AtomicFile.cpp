#include "elevation/AtomicFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "elevation/Archive.h"
#include "resources/Texts.h"

namespace torvane {

namespace fs = std::filesystem;

namespace {

constexpr size_t kBufferSize = size_t{1} << 16;
constexpr int kMaxLinkHops = 40;      // as the system's own limit on links in a path
constexpr size_t kMaxNamePart = 200;  // of the target's name in the temporary name
constexpr size_t kRandomPartSize = 6;

int renameInPlace(const char* from, const char* to, unsigned int flags) {
  return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

WriterSystemCalls& calls() {
  static WriterSystemCalls current = systemWriterCalls();
  return current;
}

// The folder a file lives in ("." for a bare name).
fs::path folderOf(const fs::path& path) {
  fs::path folder = path.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

// The file that writing `path` replaces: symbolic links followed, also when the last one names
// a file that does not exist yet. ELOOP in `err` for a cycle.
fs::path followLinks(const fs::path& path, int& err) {
  fs::path p = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      return p;
    }
    std::error_code ec;
    const fs::path link = fs::read_symlink(p, ec);
    if (ec) {
      err = ec.value();
      return p;
    }
    p = link.is_absolute() ? link : p.parent_path() / link;
  }
  err = ELOOP;
  return p;
}

// The start of the temporary names of `target`: ".NAME.tmp", NAME cut to a length that leaves
// room for the rest within the system's limit on names (on a UTF-8 character boundary).
std::string temporaryPrefix(const fs::path& target) {
  std::string name = target.filename().string();
  if (name.size() > kMaxNamePart) {
    size_t cut = kMaxNamePart;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
      --cut;
    }
    name.resize(cut);
  }
  return "." + name + ".tmp";
}

// The writer's process id when `name` is a temporary name of the prefix ("PREFIX<pid>.XXXXXX"),
// else 0.
pid_t temporaryOwner(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix) {
    return 0;
  }
  std::string_view rest = name.substr(prefix.size());
  const size_t dot = rest.find('.');
  if (dot == 0 || dot == std::string_view::npos || dot > 10 ||
      rest.size() != dot + 1 + kRandomPartSize) {
    return 0;
  }
  long long pid = 0;
  for (char c : rest.substr(0, dot)) {
    if (c < '0' || c > '9') {
      return 0;
    }
    pid = pid * 10 + (c - '0');
  }
  for (char c : rest.substr(dot + 1)) {
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      return 0;
    }
  }
  return pid > 0 && pid <= 0x7FFFFFFF ? static_cast<pid_t>(pid) : 0;
}

// Removes the temporary files of earlier writes of `target` whose process is gone (killed
// while writing). Files of this process and of running processes stay.
void removeStaleTemporaries(const fs::path& target) {
  const std::string prefix = temporaryPrefix(target);
  std::error_code ec;
  for (fs::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const pid_t pid = temporaryOwner(name, prefix);
    if (pid == 0 || pid == ::getpid()) {
      continue;
    }
    if (::kill(pid, 0) != 0 && errno == ESRCH) {
      ::unlink(it->path().c_str());
    }
  }
}

std::string randomPart() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  std::string part(kRandomPartSize, 'x');
  for (char& c : part) {
    c = kChars[pick(engine)];
  }
  return part;
}

// Identity of an input on disk: a member path stands for its archive.
bool sameFile(const fs::path& input, const struct stat& target) {
  fs::path onDisk = input;
  if (const std::optional<MemberLocation> member = locateMember(input)) {
    onDisk = member->archive;
  }
  struct stat st {};
  return ::stat(onDisk.c_str(), &st) == 0 && st.st_dev == target.st_dev &&
         st.st_ino == target.st_ino;
}

// The checks before a write of `target` (links already followed). Fills `st` (st_mode 0 for a
// target that does not exist yet).
bool checkTarget(const fs::path& target, const WriteGuard& guard, struct stat& st,
                 WriteError& error) {
  st = {};
  // The temporary file is made in the target's folder, which must take it.
  if (::faccessat(AT_FDCWD, folderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    error.kind = WriteError::Kind::System;
    error.code = errno;
    return false;
  }
  if (::stat(target.c_str(), &st) != 0) {
    st = {};
    return true;  // a new file
  }
  if (S_ISDIR(st.st_mode)) {
    error.kind = WriteError::Kind::System;
    error.code = EISDIR;
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error.kind = WriteError::Kind::NotAFile;
    return false;
  }
  for (const fs::path& input : guard.inputs) {
    if (sameFile(input, st)) {
      error.kind = WriteError::Kind::InputFile;
      return false;
    }
  }
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    error.kind = WriteError::Kind::System;
    error.code = errno;
    return false;
  }
  return true;
}

bool fsyncFolder(const fs::path& folder, int& err) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return false;
  }
  // Some file systems cannot sync a folder (EINVAL); the rename is then as durable as they
  // make it.
  const bool ok = calls().fsync(fd) == 0 || errno == EINVAL;
  err = ok ? 0 : errno;
  ::close(fd);
  return ok;
}

}  // namespace

std::string WriteError::reason() const {
  switch (kind) {
    case Kind::None:
      break;
    case Kind::System:
      return std::strerror(code != 0 ? code : EIO);
    case Kind::InputFile:
      return "is one of the input files";
    case Kind::NotAFile:
      return "not a regular file";
    case Kind::Content:
      return detail;
  }
  return {};
}

std::string WriteError::message() const {
  return kind == Kind::None ? std::string() : "cannot write " + path.string() + ": " + reason();
}

std::string WriteError::localMessage() const {
  int id = kTextWriteFailed;
  switch (kind) {
    case Kind::None:
      return {};
    case Kind::InputFile:
      id = kTextWriteInputFile;
      break;
    case Kind::NotAFile:
      id = kTextWriteNotAFile;
      break;
    case Kind::Content:
      break;
    case Kind::System:
      switch (code) {
        case ENOSPC:
        case EDQUOT:
          id = kTextWriteDiskFull;
          break;
        case EACCES:
        case EPERM:
          id = kTextWriteNoPermission;
          break;
        case EROFS:
          id = kTextWriteReadOnlyDisk;
          break;
        case EISDIR:
          id = kTextWriteNotAFile;
          break;
        case ENOENT:
        case ENOTDIR:
          id = kTextWriteNoFolder;
          break;
        case ENAMETOOLONG:
          id = kTextWriteNameTooLong;
          break;
        case EIO:
          id = kTextWriteDeviceError;
          break;
        default:
          break;
      }
      break;
  }
  std::string words(text(id));
  if (id == kTextWriteFailed) {
    // No text of our own for this reason: the system's words after the general one.
    words += " (" + reason() + ")";
  }
  return path.string() + ": " + words;
}

WriterSystemCalls systemWriterCalls() { return {&::write, &::fsync, &::close, &renameInPlace}; }

ScopedWriterSystemCalls::ScopedWriterSystemCalls(const WriterSystemCalls& replacement)
    : mSaved(calls()) {
  calls() = replacement;
}

ScopedWriterSystemCalls::~ScopedWriterSystemCalls() { calls() = mSaved; }

AtomicFile::AtomicFile(const fs::path& path, const WriteGuard& guard) : mPath(path) {
  mError.path = path;
  int err = 0;
  mTarget = followLinks(path, err);
  if (err != 0) {
    setSystemError(err);
    return;
  }
  struct stat old {};
  if (!checkTarget(mTarget, guard, old, mError)) {
    return;
  }
  removeStaleTemporaries(mTarget);
  const std::string prefix = temporaryPrefix(mTarget) + std::to_string(::getpid()) + ".";
  for (int attempt = 0; attempt < 100 && mFd < 0; ++attempt) {
    fs::path temp = folderOf(mTarget) / (prefix + randomPart());
    // Created as any new file is (0666 less the umask), then given the old file's mode.
    mFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mFd >= 0) {
      mTemp = std::move(temp);
    } else if (errno != EEXIST) {
      setSystemError(errno);
      return;
    }
  }
  if (mFd < 0) {
    setSystemError(EEXIST);
    return;
  }
  if (old.st_mode != 0) {
    (void)::fchmod(mFd, old.st_mode & 07777);
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      (void)::fchown(mFd, old.st_uid, old.st_gid);  // kept where the system lets us
    }
  }
}

AtomicFile::~AtomicFile() {
  if (mFd >= 0) {
    ::close(mFd);
  }
  if (!mCommitted && !mTemp.empty()) {
    ::unlink(mTemp.c_str());
  }
}

void AtomicFile::setSystemError(int code) {
  if (!mError) {
    mError.kind = WriteError::Kind::System;
    mError.code = code != 0 ? code : EIO;
  }
}

void AtomicFile::fail(std::string detail) {
  if (!mError) {
    mError.kind = WriteError::Kind::Content;
    mError.detail = std::move(detail);
  }
}

bool AtomicFile::flushBuffer() {
  const char* p = mBuffer.data();
  size_t n = mBuffer.size();
  while (ok() && n > 0) {
    const ssize_t done = calls().write(mFd, p, n);
    if (done < 0 && errno == EINTR) {
      continue;
    }
    if (done <= 0) {
      setSystemError(done < 0 ? errno : EIO);
      break;
    }
    p += done;
    n -= static_cast<size_t>(done);
  }
  mBuffer.clear();
  return ok();
}

bool AtomicFile::write(const void* data, size_t size) {
  if (!ok()) {
    return false;
  }
  mBuffer.append(static_cast<const char*>(data), size);
  return mBuffer.size() < kBufferSize || flushBuffer();
}

bool AtomicFile::print(const char* format, ...) {
  if (!ok()) {
    return false;
  }
  char small[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    fail("cannot format the text");
    return false;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    return write(small, static_cast<size_t>(n));
  }
  std::vector<char> large(static_cast<size_t>(n) + 1);
  va_start(args, format);
  std::vsnprintf(large.data(), large.size(), format, args);
  va_end(args);
  return write(large.data(), static_cast<size_t>(n));
}

const fs::path& AtomicFile::temporaryPath() {
  mByName = true;
  return mTemp;
}

bool AtomicFile::finishWriting() {
  if (!ok() || !flushBuffer()) {
    return false;
  }
  if (mByName) {
    // A library wrote the file under its name, maybe as a file of its own: sync that one.
    const int fd = ::open(mTemp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      setSystemError(errno);
      return false;
    }
    if (calls().fsync(fd) != 0) {
      setSystemError(errno);
    }
    ::close(fd);
  } else if (calls().fsync(mFd) != 0) {
    setSystemError(errno);
  }
  const int fd = mFd;
  mFd = -1;
  if (calls().close(fd) != 0) {
    setSystemError(errno);
  }
  return ok();
}

bool AtomicFile::commit() {
  AtomicFile* self = this;
  return commitAll(std::span<AtomicFile* const>(&self, 1));
}

bool AtomicFile::commitAll(std::span<AtomicFile* const> files, WriteError* error) {
  auto failed = [&](AtomicFile* file) {
    if (error != nullptr) {
      *error = file->mError;
    }
    for (AtomicFile* f : files) {
      if (!f->mCommitted && !f->mTemp.empty()) {
        ::unlink(f->mTemp.c_str());
        f->mTemp.clear();
      }
    }
    return false;
  };
  for (AtomicFile* file : files) {
    if (!file->finishWriting()) {
      return failed(file);
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (files[j]->mTarget == files[i]->mTarget) {
        files[i]->fail("written twice in one save");
        return failed(files[i]);
      }
    }
  }
  // Every file is complete on disk; now the targets are replaced. For a group, each existing
  // target is exchanged with its temporary file, which then holds the old content until all
  // are in place, so that a failure half-way can put the old files back.
  struct Replaced {
    AtomicFile* file;
    bool wasNew;   // the target did not exist: going back removes it
    fs::path old;  // where the old content is now; empty when it cannot come back
  };
  std::vector<Replaced> replaced;
  auto undo = [&] {
    for (auto r = replaced.rbegin(); r != replaced.rend(); ++r) {
      if (r->wasNew) {
        ::unlink(r->file->mTarget.c_str());
      } else if (!r->old.empty()) {
        calls().rename(r->old.c_str(), r->file->mTarget.c_str(), 0);
      }
      r->file->mCommitted = false;
    }
  };
  const bool group = files.size() > 1;
  for (AtomicFile* file : files) {
    struct stat st {};
    const bool exists = ::lstat(file->mTarget.c_str(), &st) == 0;
    int rc = -1;
    if (group && exists) {
      rc = calls().rename(file->mTemp.c_str(), file->mTarget.c_str(), RENAME_EXCHANGE);
      if (rc != 0 && errno == EINVAL) {
        // The file system cannot exchange: the plain rename below, without a way back.
        rc = calls().rename(file->mTemp.c_str(), file->mTarget.c_str(), 0);
        if (rc == 0) {
          file->mTemp.clear();
        }
      }
    } else {
      rc = calls().rename(file->mTemp.c_str(), file->mTarget.c_str(), 0);
      if (rc == 0) {
        file->mTemp.clear();
      }
    }
    if (rc != 0) {
      file->setSystemError(errno);
      undo();
      return failed(file);
    }
    file->mCommitted = true;
    replaced.push_back({file, !exists, file->mTemp});
  }
  for (AtomicFile* file : files) {
    if (!file->mTemp.empty()) {
      ::unlink(file->mTemp.c_str());  // the old content of an exchanged target
      file->mTemp.clear();
    }
  }
  std::vector<fs::path> folders;
  for (AtomicFile* file : files) {
    const fs::path folder = folderOf(file->mTarget);
    if (std::find(folders.begin(), folders.end(), folder) != folders.end()) {
      continue;
    }
    folders.push_back(folder);
    int err = 0;
    if (!fsyncFolder(folder, err)) {
      file->setSystemError(err);
      return failed(file);
    }
  }
  return true;
}

bool writeFileAtomically(const fs::path& path, const std::function<bool(AtomicFile&)>& write,
                         const WriteGuard& guard, WriteError* error) {
  AtomicFile file(path, guard);
  if (file.ok() && !write(file)) {
    file.fail("the content could not be produced");
  }
  if (!file.commit()) {
    if (error != nullptr) {
      *error = file.error();
    }
    return false;
  }
  return true;
}

bool writeFileAtomically(const fs::path& path, std::string_view bytes, const WriteGuard& guard,
                         WriteError* error) {
  return writeFileAtomically(
      path, [bytes](AtomicFile& file) { return file.write(bytes); }, guard, error);
}

bool writeFilesAtomically(std::span<const OutputFile> outputs, const WriteGuard& guard,
                          WriteError* error) {
  std::vector<std::unique_ptr<AtomicFile>> files;
  std::vector<AtomicFile*> group;
  for (const OutputFile& output : outputs) {
    files.push_back(std::make_unique<AtomicFile>(output.path, guard));
    AtomicFile& file = *files.back();
    group.push_back(&file);
    if (!file.ok() || !file.write(output.bytes)) {
      if (error != nullptr) {
        *error = file.error();
      }
      return false;  // every temporary file goes with its AtomicFile
    }
  }
  return AtomicFile::commitAll(group, error);
}

bool checkWriteTarget(const fs::path& path, const WriteGuard& guard, WriteError* error) {
  WriteError found;
  found.path = path;
  int err = 0;
  const fs::path target = followLinks(path, err);
  struct stat st {};
  if (err != 0) {
    found.kind = WriteError::Kind::System;
    found.code = err;
  } else if (checkTarget(target, guard, st, found)) {
    return true;
  }
  if (error != nullptr) {
    *error = found;
  }
  return false;
}

}  // namespace torvane
