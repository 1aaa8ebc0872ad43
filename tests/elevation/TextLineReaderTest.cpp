#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "elevation/NumberParse.h"
#include "elevation/TextLineReader.h"
#include "tests/support/TempDir.h"

using namespace torvane;

namespace {
std::filesystem::path write(const fixtures::TempDir& dir, const std::string& content) {
  static int n = 0;
  const auto path = dir / ("f" + std::to_string(n++) + ".txt");
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::vector<std::string> lines(const std::filesystem::path& path) {
  TextLineReader in;
  EXPECT_TRUE(in.open(path));
  std::vector<std::string> out;
  std::string_view line;
  while (in.next(line)) {
    out.emplace_back(line);
  }
  return out;
}
}  // namespace

TEST(TextLineReader, LineEndsByteOrderMarkAndLongLines) {
  fixtures::TempDir dir;
  using V = std::vector<std::string>;
  EXPECT_EQ(lines(write(dir, "a\r\nb\nc")), (V{"a", "b", "c"}));
  EXPECT_EQ(lines(write(dir, "\xEF\xBB\xBFx\r\n\r\n")), (V{"x", ""}));
  EXPECT_EQ(lines(write(dir, "a\rb\n")), (V{"a\rb"}));  // a lone CR is text
  EXPECT_EQ(lines(write(dir, "")), V{});
  EXPECT_EQ(lines(write(dir, "\xEF\xBB")), (V{"\xEF\xBB"}));
  // A BOM is skipped only at the start of the file.
  EXPECT_EQ(lines(write(dir, "a\n\xEF\xBB\xBF")), (V{"a", "\xEF\xBB\xBF"}));

  // Lines longer than the 64,000-byte buffer come back in pieces of 63,999 bytes.
  const std::string big(63999 * 2 + 10, 'x');
  const V pieces = lines(write(dir, big + "\nend\n"));
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[0].size(), 63999u);
  EXPECT_EQ(pieces[2].size(), 10u);
  EXPECT_EQ(pieces[3], "end");
  // Exactly 63,999 characters and the line end: the line end reads as an empty line.
  EXPECT_EQ(lines(write(dir, std::string(63999, 'y') + "\nz\n")).size(), 3u);

  TextLineReader in;
  EXPECT_FALSE(in.open(dir.path()));
  EXPECT_FALSE(in.open(dir / "missing"));
}

TEST(TextLineReader, SkipToTagAcrossBufferBoundaries) {
  fixtures::TempDir dir;
  // Put the tag at offsets around the first refill of the 1 MiB buffer.
  for (long shift = -24; shift <= 24; shift += 3) {
    SCOPED_TRACE(shift);
    std::string text = "<a>\n";
    const std::string tuple = "label,123.45\r\n";
    const long target = (1L << 20) + shift;
    while (static_cast<long>(text.size() + tuple.size()) < target - 8) {
      text += tuple;
    }
    text +=
        std::string(static_cast<size_t>(target - static_cast<long>(text.size())) - 2, 'q') + "\n\t";
    text += "<gml:startPoint>7 9</gml:startPoint>\r\n<tail>\n";
    TextLineReader in;
    ASSERT_TRUE(in.open(write(dir, text)));
    std::string_view line, rest;
    ASSERT_TRUE(in.skipToLineWithTag("<gml:startPoint>", line));
    ASSERT_TRUE(lineStartsWithTag(line, "<gml:startPoint>", &rest));
    EXPECT_EQ(rest, "7 9</gml:startPoint>");
    ASSERT_TRUE(in.next(line));
    EXPECT_EQ(line, "<tail>");
  }
  // A tag that is not at the start of its line is not found.
  TextLineReader in;
  ASSERT_TRUE(in.open(write(dir, "x<gml:startPoint>1 2\n  y <gml:startPoint>\n")));
  std::string_view line;
  EXPECT_FALSE(in.skipToLineWithTag("<gml:startPoint>", line));
}

TEST(NumberParse, AgreesWithStrtod) {
  for (const char* text : {"123.45",
                           "-9999.",
                           "-9999.00",
                           "0.1",
                           "  42",
                           "+7.5",
                           "1e3",
                           "2385.50",
                           "145.919",
                           "0.000000000000001",
                           "123456789012345.6",
                           "9007199254740993",
                           "1.7976931348623157e308",
                           "4.9e-324",
                           ".5",
                           "-.25",
                           "12abc",
                           "nan",
                           "inf",
                           "0x1p3",
                           "",
                           "-",
                           "abc",
                           "99999999999999999999999"}) {
    SCOPED_TRACE(text);
    size_t used = 99;
    const double v = parseDouble(text, &used);
    char* end = nullptr;
    const double expected = std::strtod(text, &end);
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(v));
    } else {
      EXPECT_EQ(v, expected);
    }
    EXPECT_EQ(used, static_cast<size_t>(end - text));
  }
  // Every decimal point position in 1 to 19 significant digits, both sides of the 15 that the
  // fast path takes: past 15 the mantissa rounds once converted and once more when divided.
  for (const std::string digits : {"9876543210987654321", "9999999999999999999"}) {
    for (size_t n = 1; n <= digits.size(); ++n) {
      for (size_t point = 0; point <= n; ++point) {
        const std::string text = digits.substr(0, point) + "." + digits.substr(point, n - point);
        size_t used = 0;
        EXPECT_EQ(parseDouble(text, &used), std::strtod(text.c_str(), nullptr)) << text;
        EXPECT_EQ(used, text.size()) << text;
      }
    }
  }
  // Only the given view is read, never the bytes after it.
  EXPECT_EQ(parseDouble(std::string_view("12345", 2)), 12);
  int64_t i = 0;
  EXPECT_TRUE(parseInteger(" 224 149", i));
  EXPECT_EQ(i, 224);
  EXPECT_FALSE(parseInteger("x", i));
}
