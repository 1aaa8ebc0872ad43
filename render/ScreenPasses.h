#pragma once
// The passes drawn in window pixels over the frame, with QPainter: the ruler's segments and
// readouts, the readout (F4), the compass, the trackbars, the status bar and the overlay text,
// with the label boxes they use. Shapes come from view/Furniture.h and texts from
// view/ScreenTexts.h; here they are only painted. Line shapes use pixel centres at whole
// numbers (the painter is shifted half a pixel for them); text rectangles are pixel aligned.

#include <span>

class QFont;
class QPainter;
class QString;

namespace torvane {

class RenderContext;
struct FrameInput;
struct ScreenStroke;

/// Paints the strokes in order, each with its width, colour and antialiasing, square-cut.
void paintStrokes(QPainter& painter, std::span<const ScreenStroke> strokes);

/// A boxed label centred on (x, y) with the small font: the half-transparent bar, its white
/// outline and the text.
void drawLabelBox(QPainter& painter, const QFont& smallFont, int width, int x, const QString& text,
                  int y);
/// A boxed label centred on x at the top of the window with the large font.
void drawTopLabelBox(QPainter& painter, const QFont& largeFont, int width, int x,
                     const QString& text);

/// The ruler: its 2-pixel segments (with the point following the mouse while fewer than two
/// are clicked), the readout blocks and the total in the top box.
void drawRuler(QPainter& painter, RenderContext& context, const FrameInput& input, int width,
               int height);
/// The readout (F4) at the top right.
void drawReadout(QPainter& painter, RenderContext& context, const FrameInput& input, int width,
                 int height);
/// The compass at the top right, turned with the azimuth.
void drawCompass(QPainter& painter, const FrameInput& input, int width);
/// The trackbars at the lower left, with the label of the one highlighted.
void drawTrackbars(QPainter& painter, RenderContext& context, const FrameInput& input, int width,
                   int height);
/// The status bar's band and its three texts.
void drawStatusBar(QPainter& painter, RenderContext& context, const FrameInput& input, int width,
                   int height);
/// The key help (mode 1) or the device information (mode 2).
void drawOverlayText(QPainter& painter, RenderContext& context, const FrameInput& input);

}  // namespace torvane
