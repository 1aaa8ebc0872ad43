#pragma once
// GDAL for the folders that read and write with it (elevation rasters, overlay vectors). GDAL
// is global to the process: its drivers are registered once, and its messages never reach the
// terminal on their own; a GdalMessages scope collects them for the caller's error report.
// No GDAL type appears here, so this header can be included anywhere.

#include <string>

namespace torvane {

/// Registers GDAL's drivers once per process (thread-safe) and silences its default message
/// handler. Call before any other GDAL call.
void ensureGdal();

/**
 * @brief Collects the messages GDAL raises on this thread while the object lives.
 *
 * GDAL's handler stack is per thread, so reader threads each keep their own. The last failure
 * or warning is kept for the file's error report.
 */
class GdalMessages {
public:
  GdalMessages();
  ~GdalMessages();
  GdalMessages(const GdalMessages&) = delete;
  GdalMessages& operator=(const GdalMessages&) = delete;

  /// The last message of class warning or worse, empty when there was none.
  const std::string& last() const { return mLast; }

private:
  std::string mLast;
};

//! Sets one GDAL configuration option on this thread while the object lives, then restores it.
class GdalThreadOption {
public:
  GdalThreadOption(const char* key, const char* value);
  ~GdalThreadOption();
  GdalThreadOption(const GdalThreadOption&) = delete;
  GdalThreadOption& operator=(const GdalThreadOption&) = delete;

private:
  const char* mKey;
  std::string mOld;
  bool mHadOld = false;
};

}  // namespace torvane
