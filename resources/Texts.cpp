#include "resources/Texts.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace torvane {

namespace {
// Sorted by id. Ids a program part asks for but the table lacks read as the empty text.
constexpr std::pair<int, std::string_view> kTexts[] = {
    {101, "Torvane"},
    {106, "Torvane"},
    {118, "0"},
    // Messages.
    {2004, "DirectXが使用出来ません"},
    {2005, "有効データがありません"},
    {2006, "複数ファイルは開けません"},
    {2007, "未対応ファイル形式です"},
    {2008, "標高データがありません"},
    // Labels: dialog titles, trackbar names, land type names (2115 + type).
    {2100, "開く"},
    {2101, "保存"},
    {2102, "標高データを開く"},
    {2104, "線点データの追加"},
    {2105, "画像の貼付"},
    {2106, "イメージを保存"},
    {2110, "海進"},
    {2112, "起伏"},
    {2113, "透過"},
    {2115, "標高"},
    {2116, "傾斜量"},
    {2117, "地上開度"},
    {2118, "地下開度"},
    {2119, "標高+傾斜量"},
    {2120, "標高+地上開度"},
    {2121, "標高+地上+地下"},
    {2122, "傾斜量+地上開度"},
    {2123, "傾斜量+地上+地下"},
    {2124, "地上開度+地下開度"},
    {2126, "傾斜量線"},
    // Vocabulary: the screen font, status bar words, list column titles, profile captions.
    {2200, "ＭＳ ゴシック"},
    {2201, "距離"},
    {2202, "線点"},
    {2203, "頂点"},
    {2206, "表示"},
    {2207, "ファイル名"},
    {2208, "データ数"},
    {2209, "表示数"},
    {2210, "点数"},
    {2211, "項目"},
    {2212, "点幅"},
    {2213, "色"},
    {2215, "最大標高"},
    {2216, "最小標高"},
    {2217, "平均標高"},
    {2218, "距離"},
    {2219, "距離"},
    {2220, "面積"},
    {2221, "等値"},
    {2222, "値"},
    {2223, "時計"},
    {2224, "反時計"},
    // Key help, one line each.
    {2300, "U D      : 平面 側面"},
    {2301, "N E S W  : 北 東 南 西"},
    {2302, "↑       : マウス左ボタン上 移動"},
    {2303, "↓       : マウス左ボタン下 移動"},
    {2304, "→       : マウス左ボタン右 移動"},
    {2305, "←       : マウス左ボタン左 移動"},
    {2306, "Ctrl+↑  : マウス右ボタン上 回転"},
    {2307, "Ctrl+↓  : マウス右ボタン下 回転"},
    {2308, "Ctrl+→  : マウス右ボタン右 回転"},
    {2309, "Ctrl+←  : マウス右ボタン左 回転"},
    {2310, "PageUp   : マウスホイール上 拡大"},
    {2311, "PageDown : マウスホイール下 縮小"},
    // The progress dialog of a long open.
    {2490, "%1 を確認しています (%2/%3)"},
    {2491, "%1 を読み込んでいます (%2/%3)"},
    {2492, "地形を準備しています"},
    // The program's own additions beyond the original table.
    {2900, "等値線をエクスポート"},
    {2901, "保存できませんでした"},
    {2910, "次のファイルは使えませんでした"},
    {2911, "標高データ"},
    {2912, "線点データ"},
    {2920, "書き込めませんでした"},
    {2921, "ディスクの空き容量が足りません"},
    {2922, "書き込みの権限がありません"},
    {2923, "読み取り専用のディスクです"},
    {2924, "入力ファイルには上書きできません"},
    {2925, "通常のファイルではありません"},
    {2926, "保存先のフォルダがありません"},
    {2927, "ファイル名が長すぎます"},
    {2928, "ディスクの読み書きでエラーが発生しました"},
    {2950, "ほか %1 ファイル"},
};

constexpr bool sortedById() {
  for (size_t i = 1; i < std::size(kTexts); ++i) {
    if (kTexts[i - 1].first >= kTexts[i].first) {
      return false;
    }
  }
  return true;
}
static_assert(sortedById(), "the text table must be sorted by id without duplicates");
}  // namespace

std::string_view text(int id) {
  const auto* end = std::end(kTexts);
  const auto* it = std::lower_bound(std::begin(kTexts), end, id,
                                    [](const auto& entry, int key) { return entry.first < key; });
  return it != end && it->first == id ? it->second : std::string_view{};
}

std::string defaultProjectName() { return std::string(text(kTextClassName)) + ".tvp"; }
std::string defaultImageName() { return std::string(text(kTextClassName)) + ".jpg"; }

bool englishLabels() {
  const std::string value(text(kTextEnglishLabels));
  return std::strtol(value.c_str(), nullptr, 10) != 0;
}

}  // namespace torvane
