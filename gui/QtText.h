#pragma once
// The program's texts (resources/Texts.h) as Qt strings.

#include <QString>

#include "resources/Texts.h"

namespace torvane {

/// The text of string id `id` as a QString (empty for an id the table does not hold).
inline QString qtext(int id) {
  const std::string_view t = text(id);
  return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

}  // namespace torvane
