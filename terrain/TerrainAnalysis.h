#pragma once
// Slope and topographic openness of every grid node.

namespace torvane {

class ElevationGrid;

/**
 * @brief Computes slope, above-ground and below-ground openness (degrees) of every node, their
 * extents, and sets `analysed`.
 *
 * Each node uses its 8 neighbours within its own sub-grid and their real plane coordinates.
 * Border nodes copy an interior neighbour; sub-grids smaller than 3 x 3 get 0. Returns false,
 * computing nothing, when the grid has fewer than 9 nodes or its files do not add up to its
 * node count. `threads` splits the rows (0: one per core); the result is the same for any
 * thread count. `fastAtan` false uses std::atan instead of the faster arc tangent
 * approximation (within about one unit in the last place of it): a reference for checks and
 * benchmarks.
 */
bool analyseTerrain(ElevationGrid& grid, unsigned threads = 0, bool fastAtan = true);

}  // namespace torvane
