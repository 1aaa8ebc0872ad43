#include "overlay/ReaderSupport.h"

#include <algorithm>
#include <limits>

#include "elevation/NumberParse.h"

namespace torvane::detail {

namespace {
// Progress is reported at least this often, so that a huge file of unusable lines still shows it.
constexpr uint64_t kReportBytes = 4u << 20;
}  // namespace

void FieldScanner::skipSpace() {
  while (mPos < mText.size() && isSpace(mText[mPos])) {
    ++mPos;
  }
}

bool FieldScanner::number(double& value) {
  skipSpace();
  size_t used = 0;
  const double v = parseDouble(mText.substr(mPos), &used);
  if (used == 0) {
    return false;
  }
  value = v;
  mPos += used;
  return true;
}

bool FieldScanner::integer(int64_t& value) {
  skipSpace();
  size_t i = mPos;
  bool negative = false;
  if (i < mText.size() && (mText[i] == '-' || mText[i] == '+')) {
    negative = mText[i] == '-';
    ++i;
  }
  const size_t digits = i;
  int64_t v = 0;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max() / 10;
  for (; i < mText.size() && mText[i] >= '0' && mText[i] <= '9'; ++i) {
    v = v >= kMax ? std::numeric_limits<int64_t>::max() : v * 10 + (mText[i] - '0');
  }
  if (i == digits) {
    return false;
  }
  value = negative ? -v : v;
  mPos = i;
  return true;
}

bool FieldScanner::character(char& c) {
  if (mPos >= mText.size()) {
    return false;
  }
  c = mText[mPos++];
  return true;
}

bool FieldScanner::token(std::string_view& value) {
  skipSpace();
  const size_t start = mPos;
  while (mPos < mText.size() && !isSpace(mText[mPos])) {
    ++mPos;
  }
  value = mText.substr(start, mPos - start);
  return mPos > start;
}

bool FieldScanner::literal(char c) {
  if (isSpace(c)) {
    skipSpace();
    return true;
  }
  if (mPos < mText.size() && mText[mPos] == c) {
    ++mPos;
    return true;
  }
  return false;
}

size_t countChar(std::string_view line, char c) {
  if (line.size() < 2) {
    return 0;
  }
  return static_cast<size_t>(std::count(line.begin(), line.end(), c));
}

void LayerAppender::pump(const TextLineReader& reader) {
  mNextReport = reader.bytesConsumed() + kReportBytes;
  if (mContext.progress) {
    const uint64_t size = std::max<uint64_t>(reader.fileSize(), 1);
    mContext.progress(
        std::min(1.0, static_cast<double>(reader.bytesConsumed()) / static_cast<double>(size)));
  }
}

}  // namespace torvane::detail
