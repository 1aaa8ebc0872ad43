#pragma once
// Pushing changed colouring, relief and transparency settings into the vertex data, and
// re-uploading what changed. Each acts only on data that exists; with no grid loaded every one
// does nothing. The usual sequence after a setting change: the apply operation for what changed,
// RefreshVertexData, the menu update and a repaint.

#include "terrain/LandColouring.h"
#include "terrain/TerrainMesh.h"

namespace torvane {

class Scene;
struct ViewState;

/// Recolours the terrain (identity tone curve, effective sea level). Returns the colouring's
/// own result; false also when there is no terrain.
bool ApplyLandColours(Scene& scene);
/// Recomputes the terrain vertex heights from Scale.
bool ApplyRelief(Scene& scene);
/// Writes Alpha into the alpha byte of every terrain vertex colour.
bool ApplyTransparency(Scene& scene);
/// Re-uploads the terrain vertices. False when there are none or the device refuses.
bool RefreshVertexData(Scene& scene);

}  // namespace torvane
