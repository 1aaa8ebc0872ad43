#pragma once
// The program's own texts, keyed by their string ids. UTF-8.

#include <string_view>

namespace torvane {

inline constexpr int kTextNoDirectX = 2004;       // "DirectXが使用出来ません"
inline constexpr int kTextNoValidData = 2005;     // "有効データがありません"
inline constexpr int kTextOneFileOnly = 2006;     // "複数ファイルは開けません"
inline constexpr int kTextUnsupportedFile = 2007; // "未対応ファイル形式です"
inline constexpr int kTextNoElevationData = 2008; // "標高データがありません"

/// The text of string id `id`, or the empty text for an id the table does not hold.
std::string_view text(int id);

}  // namespace torvane
