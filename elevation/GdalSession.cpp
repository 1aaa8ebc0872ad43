#include "elevation/GdalSession.h"

#include <algorithm>
#include <mutex>
#include <string>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

namespace torvane {

namespace {
constexpr GIntBig kGdalCacheBytes = GIntBig{256} << 20;
}  // namespace

void ensureGdal() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Messages raised outside a GdalMessages scope are dropped, never printed.
    CPLSetErrorHandler(CPLQuietErrorHandler);
    GDALAllRegister();
    // GDAL's block cache would otherwise take 5 % of the memory, gigabytes on a large machine,
    // for blocks that a row-by-row read uses once. A user's own GDAL_CACHEMAX still wins.
    if (CPLGetConfigOption("GDAL_CACHEMAX", nullptr) == nullptr) {
      GDALSetCacheMax64(kGdalCacheBytes);
    }
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

GdalThreadOption::GdalThreadOption(const char* key, const char* value) : mKey(key) {
  if (const char* old = CPLGetThreadLocalConfigOption(key, nullptr)) {
    mOld = old;
    mHadOld = true;
  }
  CPLSetThreadLocalConfigOption(key, value);
}

GdalThreadOption::~GdalThreadOption() {
  CPLSetThreadLocalConfigOption(mKey, mHadOld ? mOld.c_str() : nullptr);
}

}  // namespace torvane
