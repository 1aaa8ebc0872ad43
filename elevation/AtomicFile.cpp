#include "elevation/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

bool writeFileAtomically(const std::filesystem::path& path,
                         const std::function<bool(std::FILE*)>& write, std::string* error) {
  auto fail = [&](int err) {
    if (error != nullptr) {
      *error = path.string() + ": " + std::strerror(err != 0 ? err : EIO);
    }
    return false;
  };
  std::error_code ec;
  std::filesystem::path target = path;
  if (std::filesystem::is_symlink(target, ec)) {
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
    if (!ec) {
      target = resolved;
    }
  }
  std::string temp = target.string() + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    return fail(errno);
  }
  struct stat old {};
  (void)::fchmod(fd, ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    return fail(err);
  }
  errno = 0;
  bool ok = write(file);
  int err = ok ? 0 : errno;
  if (ok && (std::fflush(file) != 0 || std::ferror(file) != 0 || ::fsync(fd) != 0)) {
    ok = false;
    err = errno;
  }
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && std::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return fail(err);
  }
  return true;
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* error) {
  return writeFileAtomically(
      path,
      [bytes](std::FILE* file) {
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
      },
      error);
}

}  // namespace torvane
