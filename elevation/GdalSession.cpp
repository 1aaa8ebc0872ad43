#include "elevation/GdalSession.h"

#include <algorithm>
#include <mutex>
#include <string>

#include <cpl_error.h>
#include <gdal.h>

namespace torvane {

void ensureGdal() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Messages raised outside a GdalMessages scope are dropped, never printed.
    CPLSetErrorHandler(CPLQuietErrorHandler);
    GDALAllRegister();
  });
}

namespace {
void collect(CPLErr level, CPLErrorNum, const char* message) {
  if (level < CE_Warning || message == nullptr) {
    return;
  }
  auto* last = static_cast<std::string*>(CPLGetErrorHandlerUserData());
  if (last != nullptr) {
    // GDAL's messages may be long (a whole path list); a report needs only the start.
    constexpr size_t kMaxMessage = 300;
    last->assign(message, std::min(std::char_traits<char>::length(message), kMaxMessage));
  }
}
}  // namespace

GdalMessages::GdalMessages() {
  ensureGdal();
  CPLPushErrorHandlerEx(&collect, &mLast);
}

GdalMessages::~GdalMessages() { CPLPopErrorHandler(); }

}  // namespace torvane
