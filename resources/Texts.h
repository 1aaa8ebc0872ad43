#pragma once
// The program's own texts, keyed by their string ids. UTF-8.

#include <string>
#include <string_view>

namespace torvane {

inline constexpr int kTextProgramName = 101;    // "Torvane": window caption, message box caption
inline constexpr int kTextClassName = 106;      // "Torvane": the name the default file names use
inline constexpr int kTextEnglishLabels = 118;  // "0": nonzero selects English kind names

inline constexpr int kTextNoDirectX = 2004;        // "DirectXが使用出来ません"
inline constexpr int kTextNoValidData = 2005;      // "有効データがありません"
inline constexpr int kTextOneFileOnly = 2006;      // "複数ファイルは開けません"
inline constexpr int kTextUnsupportedFile = 2007;  // "未対応ファイル形式です"
inline constexpr int kTextNoElevationData = 2008;  // "標高データがありません"
// Texts of the later commands and messages.
inline constexpr int kTextExportContours = 2900;   // "等値線をエクスポート"
inline constexpr int kTextSaveFailed = 2901;       // "保存できませんでした"
inline constexpr int kTextExportDem = 2902;        // "GeoTIFFで書き出し"
inline constexpr int kTextExportDemFailed = 2903;  // "GeoTIFFを書き出せませんでした"
inline constexpr int kTextWritingFile = 2904;      // "%1 を書き出しています": %1 the file
inline constexpr int kTextSomeFilesUnused = 2910;  // "次のファイルは使えませんでした"
inline constexpr int kTextElevationFiles = 2911;  // "標高データ": the file type of every format
inline constexpr int kTextLineFiles = 2912;       // "線点データ"
// Why a file could not be written, after its path in the window's messages.
inline constexpr int kTextWriteFailed = 2920;    // "書き込めませんでした"
inline constexpr int kTextWriteDiskFull = 2921;  // "ディスクの空き容量が足りません"
inline constexpr int kTextWriteNoPermission = 2922;  // "書き込みの権限がありません"
inline constexpr int kTextWriteReadOnlyDisk = 2923;  // "読み取り専用のディスクです"
inline constexpr int kTextWriteInputFile = 2924;  // "入力ファイルには上書きできません"
inline constexpr int kTextWriteNotAFile = 2925;     // "通常のファイルではありません"
inline constexpr int kTextWriteNoFolder = 2926;     // "保存先のフォルダがありません"
inline constexpr int kTextWriteNameTooLong = 2927;  // "ファイル名が長すぎます"
inline constexpr int kTextWriteDeviceError = 2928;  // "ディスクの読み書きでエラーが発生しました"
// A start-up failure lists the files named on the command line: %1 the ones not listed.
inline constexpr int kTextMoreFiles = 2950;  // "ほか %1 ファイル"

inline constexpr int kTextOpenProject = 2100;    // "開く"
inline constexpr int kTextSaveProject = 2101;    // "保存"
inline constexpr int kTextOpenElevation = 2102;  // "標高データを開く"
inline constexpr int kTextAddLineData = 2104;    // "線点データの追加"
inline constexpr int kTextDrapeImage = 2105;     // "画像の貼付"
inline constexpr int kTextSaveImage = 2106;      // "イメージを保存"

inline constexpr int kTextScreenFont = 2200;    // "ＭＳ ゴシック"
inline constexpr int kTextDistance = 2201;      // "距離": the ruler's measurement text
inline constexpr int kTextInfoShown = 2206;     // "表示": elevation data list columns 2206..2209
inline constexpr int kTextProfileMaxH = 2215;   // "最大標高": the profile's statistics
inline constexpr int kTextProfileMinH = 2216;   // "最小標高"
inline constexpr int kTextProfileMeanH = 2217;  // "平均標高"
inline constexpr int kTextProfileSurface = 2218;    // "距離": surface length
inline constexpr int kTextProfilePlane = 2219;      // "距離": plane length
inline constexpr int kTextProfileArea = 2220;       // "面積"
inline constexpr int kTextClockwise = 2223;         // "時計"
inline constexpr int kTextCounterClockwise = 2224;  // "反時計"
// The progress dialog of a long open: %1 the file, %2 its number, %3 the number of files.
inline constexpr int kTextCheckingFile = 2490;      // "%1 を確認しています (%2/%3)"
inline constexpr int kTextReadingFile = 2491;       // "%1 を読み込んでいます (%2/%3)"
inline constexpr int kTextPreparingTerrain = 2492;  // "地形を準備しています"
inline constexpr int kTextKeyHelpFirst = 2300;      // 2300..2311: the key help lines
inline constexpr int kTextKeyHelpLast = 2311;

/// The text of string id `id`, or the empty text for an id the table does not hold.
std::string_view text(int id);

/// The program name ("Torvane").
inline std::string_view programName() { return text(kTextProgramName); }
/// The initial file name of the project dialogs: the class name followed by ".tvp".
std::string defaultProjectName();
/// The initial file name of the image save dialog: the class name followed by ".jpg".
std::string defaultImageName();

/// True when the layer and contour lists show English kind names: string 118 read as a decimal
/// integer is nonzero.
bool englishLabels();

}  // namespace torvane
