#include "overlay/GpxScanner.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "elevation/BinaryFile.h"
#include "elevation/NumberParse.h"
#include "overlay/LabelText.h"
#include "overlay/SourceLayer.h"

namespace torvane::detail {

namespace {

constexpr size_t kChunk = size_t{4} << 20;
// A token (a tag, a comment, the text between two tags) that does not fit is left to GDAL.
constexpr size_t kMaxToken = size_t{64} << 20;
constexpr size_t kMaxDepth = 256;
// Bytes of a waypoint's name that are kept; the label takes far fewer.
constexpr size_t kMaxName = 256;

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view localName(std::string_view qname) {
  const size_t colon = qname.rfind(':');
  return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

// Appends the UTF-8 form of a character reference; false for a code point XML does not allow.
bool appendCodePoint(uint32_t cp, std::string& out) {
  if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
    return false;
  }
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return true;
}

// A character reference "#ddd" or "#xhhh" (the text between '&' and ';') as UTF-8.
bool characterReference(std::string_view ref, std::string& out) {
  if (ref.size() < 2 || ref[0] != '#') {
    return false;
  }
  const bool hex = ref[1] == 'x';
  const std::string_view digits = ref.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) {
    return false;
  }
  uint32_t cp = 0;
  for (const char d : digits) {
    int v = -1;
    if (d >= '0' && d <= '9') {
      v = d - '0';
    } else if (hex && d >= 'a' && d <= 'f') {
      v = d - 'a' + 10;
    } else if (hex && d >= 'A' && d <= 'F') {
      v = d - 'A' + 10;
    }
    if (v < 0) {
      return false;
    }
    cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(v);
  }
  return appendCodePoint(cp, out);
}

// Text with its references resolved (the five predefined entities and character references);
// false for any other reference, which only a document type could define.
bool decodeText(std::string_view text, std::string& out) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (size_t i = 0; i < text.size();) {
    const size_t amp = text.find('&', i);
    out.append(text.substr(i, amp == std::string_view::npos ? std::string_view::npos : amp - i));
    if (amp == std::string_view::npos) {
      break;
    }
    const size_t semi = text.find(';', amp);
    if (semi == std::string_view::npos) {
      return false;
    }
    const std::string_view ref = text.substr(amp + 1, semi - amp - 1);
    const auto* entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                      [&](const auto& e) { return e.first == ref; });
    if (entity != std::end(kEntities)) {
      out += entity->second;
    } else if (!characterReference(ref, out)) {
      return false;
    }
    i = semi + 1;
  }
  return true;
}

// Appends text to a waypoint's name up to kMaxName bytes, cut before a UTF-8 lead byte.
void appendToName(std::string& name, std::string_view text) {
  if (name.size() + text.size() > kMaxName) {
    size_t n = kMaxName - std::min(name.size(), kMaxName);
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) {
      --n;
    }
    text = text.substr(0, n);
  }
  name.append(text);
}

double coordinate(std::string_view value) {
  size_t used = 0;
  const double v = parseDouble(value, &used);
  return used == 0 ? NAN : v;
}

//! What an open element is to the scan.
enum class Role : uint8_t { Root, Waypoint, WaypointName, Route, Track, Segment, Other };
//! The part of the file being read: GPX lists waypoints, then routes, then tracks.
enum class Section : uint8_t { None, Waypoints, Routes, Tracks };

class Scanner {
public:
  Scanner(OverlayStore& store, const LineReadContext& context, const std::filesystem::path& path)
      : mStore(store), mContext(context), mPath(path) {}

  GpxScan run();

private:
  // The buffer: bytes [mPos, mEnd) are unread. more() keeps them and reads the next chunk,
  // growing the buffer when they fill it; false at the end of the file or when a token would
  // outgrow kMaxToken.
  bool more();
  std::string_view unread() const { return {mBuffer.data() + mPos, mEnd - mPos}; }
  bool atEnd() const { return mRead >= mFile.size(); }

  bool markup(std::string_view rest, size_t& length);
  bool text(std::string_view text);
  bool startTag(std::string_view inner);
  bool endTag(std::string_view name);
  bool declaration(std::string_view inner);
  bool enter(Section section);
  void finishLayer();

  OverlayStore& mStore;
  const LineReadContext& mContext;
  const std::filesystem::path& mPath;
  BinaryFile mFile;
  uint64_t mRead = 0;
  std::vector<char> mBuffer;
  size_t mPos = 0, mEnd = 0;

  struct Open {
    std::string qname;
    Role role;
  };
  std::vector<Open> mStack;
  bool mRootSeen = false, mRootClosed = false;
  Section mSection = Section::None;
  std::optional<SourceLayer> mLayer;
  GpxScan mResult;
  double mLat = NAN, mLon = NAN;
  std::string mName;
};

bool Scanner::more() {
  if (mPos > 0) {
    std::memmove(mBuffer.data(), mBuffer.data() + mPos, mEnd - mPos);
    mEnd -= mPos;
    mPos = 0;
  }
  if (mEnd == mBuffer.size()) {
    if (mBuffer.size() >= kMaxToken) {
      return false;
    }
    mBuffer.resize(mBuffer.size() * 2);
  }
  const size_t want = static_cast<size_t>(
      std::min<uint64_t>(mBuffer.size() - mEnd, mFile.size() - std::min(mRead, mFile.size())));
  if (want == 0 || !mFile.readAt(mRead, mBuffer.data() + mEnd, want)) {
    return false;
  }
  mRead += want;
  mEnd += want;
  if (mContext.progress) {
    mContext.progress(static_cast<double>(mRead) / static_cast<double>(mFile.size()));
  }
  return true;
}

// The length of the markup at the start of `rest` ('<' first); false when it does not end in
// `rest` (length 0) or is of a kind the scan leaves to GDAL (length 1: a document type).
bool Scanner::markup(std::string_view rest, size_t& length) {
  length = 0;
  auto until = [&](std::string_view end, size_t from) {
    const size_t at = rest.find(end, from);
    length = at == std::string_view::npos ? 0 : at + end.size();
    return length != 0;
  };
  if (rest.size() < 2) {
    return false;
  }
  if (rest[1] == '!') {
    constexpr std::string_view kCdata = "<![CDATA[";
    if (rest.substr(0, 4) == "<!--") {
      return until("-->", 4);
    }
    if (rest.substr(0, kCdata.size()) == kCdata) {
      return until("]]>", kCdata.size());
    }
    if (rest.size() < kCdata.size() && kCdata.substr(0, rest.size()) == rest) {
      return false;  // perhaps character data, not all read yet
    }
    length = 1;
    return false;
  }
  if (rest[1] == '?') {
    return until("?>", 2);
  }
  // A tag: the first '>' outside a quoted attribute value.
  char quote = 0;
  for (size_t i = 1; i < rest.size(); ++i) {
    const char c = rest[i];
    if (quote != 0) {
      quote = c == quote ? 0 : quote;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      length = i + 1;
      return true;
    } else if (c == '<') {
      length = 1;
      return false;
    }
  }
  return false;
}

bool Scanner::text(std::string_view t) {
  if (mStack.empty()) {
    return std::all_of(t.begin(), t.end(), isXmlSpace);
  }
  const bool capture = mStack.back().role == Role::WaypointName;
  if (!capture && t.find('&') == std::string_view::npos) {
    return true;
  }
  std::string decoded;
  if (!decodeText(t, decoded)) {
    return false;
  }
  if (capture) {
    appendToName(mName, decoded);
  }
  return true;
}

bool Scanner::declaration(std::string_view inner) {
  // <?xml version="1.0" encoding="..."?>: anything but UTF-8 (or its ASCII subset) is left to
  // GDAL, which converts other encodings.
  const size_t at = inner.find("encoding");
  if (at == std::string_view::npos) {
    return true;
  }
  const size_t open = inner.find_first_of("\"'", at);
  const size_t close = open == std::string_view::npos ? open : inner.find(inner[open], open + 1);
  if (close == std::string_view::npos) {
    return false;
  }
  const std::string_view encoding = inner.substr(open + 1, close - open - 1);
  return equalsIgnoringCase(encoding, "UTF-8") || equalsIgnoringCase(encoding, "UTF8") ||
         equalsIgnoringCase(encoding, "US-ASCII") || equalsIgnoringCase(encoding, "ASCII");
}

void Scanner::finishLayer() {
  if (mLayer) {
    mResult.added += mLayer->finish();
    mResult.seen += mLayer->seen();
    mResult.stopped = mResult.stopped || !mLayer->accepting();
    mLayer.reset();
  }
}

bool Scanner::enter(Section section) {
  if (section < mSection) {
    return false;  // out of GPX's order: GDAL reads such files
  }
  if (section > mSection) {
    finishLayer();
    mSection = section;
    mLayer.emplace(mStore, mContext, mPath, section != Section::Waypoints);
  }
  return true;
}

bool Scanner::startTag(std::string_view inner) {
  const bool empty = !inner.empty() && inner.back() == '/';
  if (empty) {
    inner.remove_suffix(1);
  }
  size_t n = 0;
  while (n < inner.size() && !isXmlSpace(inner[n])) {
    ++n;
  }
  const std::string_view qname = inner.substr(0, n);
  const std::string_view name = localName(qname);
  if (qname.empty() || mStack.size() >= kMaxDepth) {
    return false;
  }
  const Role parent = mStack.empty() ? Role::Other : mStack.back().role;
  Role role = Role::Other;
  bool point = false;
  if (mStack.empty()) {
    if (mRootSeen || name != "gpx") {
      return false;
    }
    mRootSeen = true;
    role = Role::Root;
  } else if (parent == Role::Root) {
    if (name == "wpt") {
      role = Role::Waypoint;
      point = true;
      if (!enter(Section::Waypoints)) {
        return false;
      }
    } else if (name == "rte" || name == "trk") {
      role = name == "rte" ? Role::Route : Role::Track;
      if (!enter(name == "rte" ? Section::Routes : Section::Tracks)) {
        return false;
      }
      mLayer->beginLine();
    }
  } else if (parent == Role::Waypoint && name == "name") {
    role = Role::WaypointName;
  } else if ((parent == Role::Route && name == "rtept") ||
             (parent == Role::Segment && name == "trkpt")) {
    point = true;
  } else if (parent == Role::Track && name == "trkseg") {
    role = Role::Segment;
    mLayer->beginLine();
  }

  // Attributes: name="value" or name='value', separated by blanks.
  double lat = NAN, lon = NAN;
  for (size_t i = n;;) {
    while (i < inner.size() && isXmlSpace(inner[i])) {
      ++i;
    }
    if (i >= inner.size()) {
      break;
    }
    const size_t nameStart = i;
    while (i < inner.size() && inner[i] != '=' && !isXmlSpace(inner[i])) {
      ++i;
    }
    const std::string_view attribute = inner.substr(nameStart, i - nameStart);
    while (i < inner.size() && isXmlSpace(inner[i])) {
      ++i;
    }
    if (attribute.empty() || i >= inner.size() || inner[i] != '=') {
      return false;
    }
    ++i;
    while (i < inner.size() && isXmlSpace(inner[i])) {
      ++i;
    }
    if (i >= inner.size() || (inner[i] != '"' && inner[i] != '\'')) {
      return false;
    }
    const size_t close = inner.find(inner[i], i + 1);
    if (close == std::string_view::npos) {
      return false;
    }
    const std::string_view value = inner.substr(i + 1, close - i - 1);
    if (value.find('<') != std::string_view::npos) {
      return false;
    }
    if (point) {
      const std::string_view local = localName(attribute);
      if (local == "lat") {
        lat = coordinate(value);
      } else if (local == "lon") {
        lon = coordinate(value);
      }
    }
    i = close + 1;
  }

  if (role == Role::Waypoint) {
    mLat = lat;
    mLon = lon;
    mName.clear();
  } else if (point) {
    mLayer->linePoint(lon, lat);
  }
  mStack.push_back({std::string(qname), role});
  return !empty || endTag(qname);
}

bool Scanner::endTag(std::string_view qname) {
  if (mStack.empty() || mStack.back().qname != qname) {
    return false;
  }
  switch (mStack.back().role) {
    case Role::Root:
      mRootClosed = true;
      break;
    case Role::Waypoint:
      if (!isValidUtf8(mName)) {
        return false;
      }
      mLayer->point(mLon, mLat, mName);
      break;
    case Role::Route:
    case Role::Segment:
      mLayer->endLine();
      break;
    default:
      break;
  }
  mStack.pop_back();
  return true;
}

GpxScan Scanner::run() {
  const int before = mStore.groupCount();
  auto giveUp = [&] {
    // Closed polylines already count in the store's totals: their layer is registered, then
    // removed with the others.
    finishLayer();
    while (mStore.groupCount() > before) {
      mStore.deleteGroup(mStore.groupCount() - 1);
    }
    return GpxScan{};
  };
  if (!mFile.open(mPath)) {
    return giveUp();
  }
  mBuffer.resize(kChunk);
  if (!more()) {
    return giveUp();  // empty
  }
  // A UTF-8 byte-order mark is skipped; other encodings are left to GDAL.
  if (unread().substr(0, 3) == "\xEF\xBB\xBF") {
    mPos += 3;
  }
  bool first = true;
  for (;;) {
    const std::string_view rest = unread();
    const size_t lt = rest.find('<');
    if (lt == std::string_view::npos) {
      if (more()) {
        continue;
      }
      // The end of the file: only blanks may follow the root element.
      if (!atEnd() || !mRootClosed || !text(rest)) {
        return giveUp();
      }
      break;
    }
    size_t length = 0;
    if (!markup(rest.substr(lt), length)) {
      if (length == 0 && more()) {
        continue;
      }
      return giveUp();  // cut short, a token too long, or a document type
    }
    if (!text(rest.substr(0, lt))) {
      return giveUp();
    }
    const std::string_view m = rest.substr(lt, length);
    bool ok = true;
    if (m[1] == '?') {
      // The XML declaration comes first or not at all.
      const bool xml = m.size() > 6 && m.substr(0, 5) == "<?xml" && isXmlSpace(m[5]);
      ok = !xml || (first && declaration(m));
    } else if (m.substr(0, 9) == "<![CDATA[") {
      // Character data as it stands, without references.
      ok = !mStack.empty();
      if (ok && mStack.back().role == Role::WaypointName) {
        appendToName(mName, m.substr(9, m.size() - 12));
      }
    } else if (m[1] == '/') {
      std::string_view name = m.substr(2, m.size() - 3);
      while (!name.empty() && isXmlSpace(name.back())) {
        name.remove_suffix(1);
      }
      ok = endTag(name);
    } else if (m[1] != '!') {
      ok = !mRootClosed && startTag(m.substr(1, m.size() - 2));
    }
    if (!ok) {
      return giveUp();
    }
    first = false;
    mPos += lt + length;
    if (mLayer && !mLayer->accepting()) {
      break;  // the store is full: what was read is kept
    }
  }
  finishLayer();
  mResult.understood = true;
  return mResult;
}

}  // namespace

GpxScan scanGpx(OverlayStore& store, const LineReadContext& context,
                const std::filesystem::path& path) {
  Scanner scanner(store, context, path);
  return scanner.run();
}

}  // namespace torvane::detail
