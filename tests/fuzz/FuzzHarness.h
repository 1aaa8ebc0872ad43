#pragma once
// Shared harness of the reader fuzz targets: the input becomes one or two files in a private
// folder, the open pipeline opens them with small device limits on one thread, and the grid's
// invariants are checked. A violated invariant aborts, which the fuzzer reports as a crash.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace torvane::fuzz {

/// A folder of this process for the files under test (created on first use).
const std::filesystem::path& workDir();

/// Replaces the file's content with `bytes`.
void writeFile(const std::filesystem::path& path, std::string_view bytes);

/// Splits input into a leading part whose length is given by its first two bytes (little
/// endian) and the rest; the leading part is cut short when the input is.
void splitInput(const uint8_t* data, size_t size, std::string_view& first, std::string_view& rest);

//! What the check may assume of the nodes.
enum class Nodes { HeightsOnly, AllFinite };

/// Opens the path (.lem paths by the LEM open) and checks the result: on success count equals
/// capacity and every height is finite and not negative (and with AllFinite every coordinate is
/// finite); on failure the grid is empty.
void openAndCheck(const std::filesystem::path& path, Nodes nodes);

}  // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
