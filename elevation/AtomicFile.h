#pragma once
// Writing a file safely: everything goes to a temporary file beside the target, which replaces
// the target only once it was written completely. A failed or interrupted write leaves the old
// file as it was.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace torvane {

/**
 * @brief Creates a temporary file beside `path`, lets `write` fill it, flushes it to disk and
 * renames it over `path` (over the file a symbolic link points to, not the link).
 *
 * `write` returns false to abandon the file. The new file keeps the old one's permissions (0644
 * for a new file). On any failure the temporary file is removed, `path` is untouched, false is
 * returned and `error` (when given) holds "PATH: reason".
 */
bool writeFileAtomically(const std::filesystem::path& path,
                         const std::function<bool(std::FILE*)>& write, std::string* error);

/// writeFileAtomically with the whole content at hand.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* error);

}  // namespace torvane
