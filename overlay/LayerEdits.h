#pragma once
// The edits the layer list offers on a selection of layers, and its rules: which context-menu
// commands apply, the colours along the hue circle, the point sizes, deletion with the release of
// the store when nothing is left, and the transparency switch. The list widget calls these and
// only mirrors the store afterwards.
//
// The contour list is built the same way on its own store and reuses the store-generic ones.

#include <cstdint>
#include <span>
#include <vector>

#include "overlay/LineReaders.h"
#include "overlay/OverlayStore.h"

namespace torvane {

//! Which context-menu commands of the layer list are enabled for a selection.
struct LayerMenuState {
  bool showHide = false;     //!< 表示 / 非表示
  bool pointSize = false;    //!< the 点幅変更 submenu
  int checkedPointSize = 0;  //!< the size radio-checked in it (0: none)
  bool colour = false;       //!< 色変更...
  bool hueCircle = false;    //!< 色相環... (three or more rows)
  bool remove = false;       //!< 削除
};

/// The menu state of a list without point sizes (the contour list): show, hide, colour and
/// delete need a selection, the hue circle three rows.
LayerMenuState groupMenuState(std::span<const int> selected);
/// The menu state for the selected layers (indices in list order). The point-size submenu is
/// enabled and checked by the first selected layer that has a point size.
LayerMenuState layerMenuState(const OverlayStore& store, std::span<const int> selected);

/**
 * @brief Hues (0..239) for n layers along the hue circle from `start` to `end`: the first gets
 * start, the last end, the others evenly spaced, going up the hue scale clockwise and down
 * counter-clockwise. Empty when n < 3 (the command needs three rows). start == end gives every
 * layer the start hue.
 */
std::vector<int> hueCircleHues(int n, int start, int end, bool counterClockwise);

/// A layer colour from a COLORREF 0x00BBGGRR: A8R8G8B8 with the transparency as alpha when it
/// applies to layers, else opaque.
uint32_t layerColourFromColorRef(uint32_t colorref, const LayerAlpha& alpha);
/// The COLORREF 0x00BBGGRR of a layer colour (alpha dropped), as the list paints it.
uint32_t colorRefOfLayerColour(uint32_t argb);

/// Gives every selected layer the colour and uploads the store.
void recolourLayers(GroupStore& store, std::span<const int> selected, uint32_t argb);
/// Colours the selected layers along the hue circle (hueCircleHues, lightness 120, saturation
/// 240) and uploads the store. False (nothing changed) for fewer than three layers.
bool colourLayersAlongHueCircle(GroupStore& store, std::span<const int> selected, int start,
                                int end, bool counterClockwise, const LayerAlpha& alpha);
/// Sets the point size of every selected layer that has one (line layers stay without). Returns
/// the layers changed.
std::vector<int> setLayerPointSizes(OverlayStore& store, std::span<const int> selected, int size);

/**
 * @brief Deletes the selected layers (indices into the current list, any order). When points
 * remain the store is uploaded; when none do it is released and freed, so that the next added
 * file allocates it again. Returns the number of layers left.
 */
int deleteLayers(GroupStore& store, std::span<const int> selected);
/// Deletes every layer: releases and frees the store.
void deleteAllLayers(GroupStore& store);

/// The transparency switch of the list: `alpha.enabled` is the new state; every vertex gets the
/// transparency when it is on, else 255; then the store is uploaded.
void applyLayerAlpha(GroupStore& store, const LayerAlpha& alpha);

}  // namespace torvane
