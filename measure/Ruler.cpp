#include "measure/Ruler.h"

namespace torvane {

void toggleStraightRuler(Ruler& ruler) {
  ruler.pathMode = false;
  ruler.straightMode = !ruler.straightMode;
  ruler.pointCount = 0;
}

void togglePathRuler(Ruler& ruler) {
  ruler.straightMode = false;
  ruler.pathMode = !ruler.pathMode;
  ruler.pointCount = 0;
}

void resetRuler(Ruler& ruler) {
  ruler.straightMode = ruler.pathMode = false;
  ruler.pointCount = 0;
}

}  // namespace torvane
