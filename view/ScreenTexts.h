#pragma once
// The texts the view shows in window pixels, built without any window system: the status bar's
// three texts, the label boxes' widths and extents, the readout (F4), the ruler's readout blocks,
// the key help and the device information. Each text is UTF-8; the renderer only draws them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

class ElevationGrid;
struct Ruler;
struct ViewState;

//! One line of screen text: the top of its line in client pixels and the text.
struct TextLine {
  int y = 0;
  std::string text;
  bool operator==(const TextLine&) const = default;
};

/// printf into a std::string (the screen texts' number formats).
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Characters (Unicode code points) of a UTF-8 text: what label box widths are counted in.
int textLength(std::string_view utf8);

/// The status bar's left text: "海進:s  " (only when ColorT >= 2, with the effective sea level),
/// then "起伏:Scale  透過:Alpha".
std::string statusLeftText(const ViewState& view, const ElevationGrid& grid);
/// The status bar's centred text: the land type with its value range ("標高:Hmin～Hmax" and the
/// like for types 0-3), the composite scheme's name (4-9), or the name of scheme ColorS - 10
/// followed by "(特殊)" (10 and above).
std::string statusCentreText(const ViewState& view, const ElevationGrid& grid);
/// The status bar's right text: "等値:n  " when contours are uploaded, "線点:n  " when layers are
/// uploaded, then "頂点:nodes". A store without its vertex buffer passes std::nullopt.
std::string statusRightText(std::optional<uint32_t> contourPoints,
                            std::optional<uint32_t> layerPoints, uint32_t nodeCount);

/// Width of a trackbar's label box: 6 pixels per character for labels longer than two
/// characters, otherwise 12.
int labelBoxWidth(std::string_view label);
/// Width of the top label box (the ruler total): 7 pixels per character plus two characters.
int topLabelBoxWidth(std::string_view text);

//! The horizontal extent of a label box of width w centred on x: three pixels beyond each half.
struct LabelBoxExtent {
  int left = 0;
  int right = 0;
};
/// left = x - w / 2 - 3, right = x + w / 2 + 3 (integer division).
LabelBoxExtent labelBoxExtent(int width, int x);

/// The label of trackbar `bar` (1 sea level "海進", 4 relief "起伏", 5 transparency "透過");
/// empty for any other number.
std::string_view trackbarLabel(int bar);

/// Top of the readout and of the ruler's blocks: 70 below the compass, else 10.
int readoutTop(const ViewState& view);

//! What the readout (F4) shows besides the view state.
struct ReadoutInput {
  int clientWidth = 0, clientHeight = 0;
  int screenX = 0, screenY = 0;  //!< cursor on the screen
  int clientX = 0, clientY = 0;  //!< cursor in the client area
};
/// The readout's lines, right-aligned at the window's right edge - 10: client size, cursor on
/// the screen and in the client area, the camera (MoveX .. RZoom) and the fog start and end.
std::vector<TextLine> readoutLines(const ViewState& view, const ReadoutInput& input);

/**
 * @brief The ruler's readout blocks for the first `count` points of `ruler` (the rubber-band
 * point included), starting at `top`.
 *
 * With two points or more: the second-last point, the differences to the last, and the slope
 * angle when the horizontal distance exceeds 0.00005 m; then the last point's block (12 pixels
 * higher without the angle). With one point only its block; with none nothing.
 */
std::vector<TextLine> rulerReadoutLines(const Ruler& ruler, int count, int top);

/// The twelve key-help lines at y = 10, 22, ... 142.
std::vector<TextLine> keyHelpLines();

//! What the device information shows.
struct DeviceDescription {
  std::string description;  //!< the OpenGL vendor and renderer
  bool softwareVertexProcessing = false;
  uint32_t maxVertexIndex = 0;     //!< index limit of the sampling plan
  uint32_t maxPrimitiveCount = 0;  //!< primitive limit of the sampling plan
  int maxTextureWidth = 0, maxTextureHeight = 0;
  float maxPointSize = 0;
};
/// The seven device-information lines: the description at y = 10, then the vertex processing
/// and the five limits from y = 22 down in steps of 12.
std::vector<TextLine> deviceInfoLines(const DeviceDescription& device);

/// A data-frame caption: the coordinate printed with "%lf".
std::string captionText(double value);

}  // namespace torvane
