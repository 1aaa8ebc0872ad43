#include "scene/ViewState.h"

#include <cmath>
#include <type_traits>

#include "elevation/ElevationGrid.h"

namespace torvane {

const ViewSetting* findViewSetting(std::string_view section, std::string_view key) {
  for (const ViewSetting& setting : kViewSettings) {
    if (setting.saved() && setting.section == section && setting.key == key) {
      return &setting;
    }
  }
  return nullptr;
}

double settingValue(const ViewState& view, const ViewSetting& setting) {
  return std::visit([&](auto member) { return static_cast<double>(view.*member); }, setting.member);
}

void setSettingValue(ViewState& view, const ViewSetting& setting, double value) {
  std::visit(
      [&](auto member) {
        using T = std::remove_reference_t<decltype(view.*member)>;
        if constexpr (std::is_same_v<T, bool>) {
          view.*member = value != 0;
        } else {
          view.*member = static_cast<T>(value);
        }
      },
      setting.member);
}

void resetSetting(ViewState& view, const ViewSetting& setting) {
  std::visit([&](auto member) { view.*member = kDefaultView.*member; }, setting.member);
}

void ResetViewState(ViewState& view) {
  for (const ViewSetting& setting : kViewSettings) {
    if (setting.reset) {
      resetSetting(view, setting);
    }
  }
}

int EffectiveSeaLevel(const ViewState& view, const ElevationGrid& grid) {
  if (view.ColorK >= 0) {
    return view.ColorK > 1000 ? 1000 : view.ColorK;
  }
  if (grid.count == 0) {
    return 0;
  }
  double t = std::trunc(grid.Hmin);
  if (grid.Hmin - t < 0.00005) {
    t -= 1;
  }
  if (t < 0) {
    return 0;
  }
  if (t > 1000) {
    return 1000;
  }
  return static_cast<int>(t);
}

}  // namespace torvane
