#pragma once
// The texts of the elevation data information list: one row per loaded file and one line with
// the data's extents.

#include <string>

namespace torvane {

class ElevationGrid;
struct GridFile;

//! The texts of one row of the list.
struct ElevationInfoRow {
  std::string number;   //!< the row number, "%5d" from 1
  std::string name;     //!< the file's name without its folder
  std::string size;     //!< "( columns , rows )" as declared by the file
  std::string sampled;  //!< "( columns , rows )" kept after thinning
};

/// The row of file `index` (0-based, load order).
ElevationInfoRow elevationInfoRow(const GridFile& file, int index);

/**
 * @brief The extents line: "B(lat～lat) L(lon～lon) H(h～h)" for geographic data,
 * "X(x～x) Y(y～y) H(h～h)" for plane-coordinate data.
 *
 * Degrees and metres with six decimals, heights with three; "～" is the full-width tilde.
 */
std::string elevationExtentText(const ElevationGrid& grid);

}  // namespace torvane
