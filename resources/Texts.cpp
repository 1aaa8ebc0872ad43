#include "resources/Texts.h"

#include <algorithm>
#include <array>
#include <utility>

namespace torvane {

namespace {
// Sorted by id.
constexpr std::array<std::pair<int, std::string_view>, 5> kTexts = {{
    {2004, "DirectXが使用出来ません"},
    {2005, "有効データがありません"},
    {2006, "複数ファイルは開けません"},
    {2007, "未対応ファイル形式です"},
    {2008, "標高データがありません"},
}};
}  // namespace

std::string_view text(int id) {
  const auto it = std::lower_bound(kTexts.begin(), kTexts.end(), id,
                                   [](const auto& entry, int key) { return entry.first < key; });
  return it != kTexts.end() && it->first == id ? it->second : std::string_view{};
}

}  // namespace torvane
