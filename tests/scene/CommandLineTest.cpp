#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/CommandLine.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

TEST(CommandLine, WhatTheArgumentsAskFor) {
  struct Case {
    Args args;
    ProgramMode mode;
    std::string problem;  // for BadUsage: the start of the problem text
  };
  const Case cases[] = {
      {{}, ProgramMode::Window, ""},
      {{"--help"}, ProgramMode::Help, ""},
      {{"-h"}, ProgramMode::Help, ""},
      {{"a.xml", "--version"}, ProgramMode::Version, ""},
      {{"--bogus", "--help"}, ProgramMode::Help, ""},  // help wins over bad usage
      {{"--render", "a.xml", "--help"}, ProgramMode::Help, ""},
      {{"--", "--help"}, ProgramMode::Window, ""},  // a file named --help
      {{"--render", "p.tvp", "--output", "o.png"}, ProgramMode::Render, ""},
      {{"a.xml", "--render"}, ProgramMode::BadUsage, "--render must be the first"},
      {{"--bogus"}, ProgramMode::BadUsage, "unknown option --bogus"},
      {{"-x", "a.xml"}, ProgramMode::BadUsage, "unknown option -x"},
      {{"--open"}, ProgramMode::BadUsage, "--open needs"},
      {{"--open", "--limits", "1,2"}, ProgramMode::BadUsage, "--open needs"},
      {{"--limits"}, ProgramMode::BadUsage, "--limits needs"},
      {{"--limits", "5"}, ProgramMode::BadUsage, "--limits needs"},
      {{"-platform"}, ProgramMode::BadUsage, "-platform needs a value"},
      // Qt's own options are Qt's, with one dash or two.
      {{"-platform", "xcb", "-reverse", "--style", "fusion", "a.xml"}, ProgramMode::Window, ""},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) {
      line += a + " ";
    }
    SCOPED_TRACE(line);
    const ProgramArgs parsed = parseProgramArgs(c.args);
    EXPECT_EQ(parsed.mode, c.mode);
    EXPECT_EQ(parsed.problem.substr(0, c.problem.size()), c.problem);
    EXPECT_EQ(parsed.problem.empty(), c.problem.empty());
  }
}

TEST(CommandLine, FilesOpenAtStartAndRenderArguments) {
  const Args args = {"track.nmea",  "--open", "a.xml", "b.zip",   "--limits",
                     "40000,65535", "-",      "--",    "-odd.bln"};
  const ProgramArgs parsed = parseProgramArgs(args);
  ASSERT_EQ(parsed.mode, ProgramMode::Window);
  EXPECT_EQ(parsed.openAtStart, (std::vector<fs::path>{"a.xml", "b.zip"}));
  EXPECT_EQ(parsed.files, (std::vector<fs::path>{"track.nmea", "-", "-odd.bln"}));
  EXPECT_EQ(parsed.limits.primitiveLimit, 40000u);
  EXPECT_EQ(parsed.limits.indexLimit, 65535u);

  const Args render = {"--render", "p.tvp", "--output", "o.png", "--size", "64x48"};
  EXPECT_EQ(parseProgramArgs(render).renderArgs, Args(render.begin() + 1, render.end()));
}

TEST(CommandLine, DeviceLimits) {
  DeviceLimits limits;
  ASSERT_TRUE(parseDeviceLimits("20000000,4294967295", limits));
  EXPECT_EQ(limits.primitiveLimit, kPrimitiveLimitCap);  // capped as the device's is
  EXPECT_EQ(limits.indexLimit, 4294967295u);
  for (const char* bad : {"", "5", "0,65535", "40000,0", "-1,65535", "1,2x", "1,,2", "4294967296,1",
                          "1,4294967296"}) {
    SCOPED_TRACE(bad);
    DeviceLimits unchanged;
    EXPECT_FALSE(parseDeviceLimits(bad, unchanged));
    EXPECT_EQ(unchanged.primitiveLimit, DeviceLimits{}.primitiveLimit);
    EXPECT_EQ(unchanged.indexLimit, DeviceLimits{}.indexLimit);
  }
}

TEST(CommandLine, UsageAndVersion) {
  EXPECT_TRUE(programUsage().starts_with("usage: torvane "));
  EXPECT_TRUE(programUsage().ends_with("\n"));
  for (const char* option :
       {"--open", "--limits", "--render", "--output", "--size", "--help", "--version"}) {
    EXPECT_NE(programUsage().find(option), std::string_view::npos) << option;
  }
  const std::string version = programVersionLine();
  ASSERT_TRUE(version.starts_with("torvane "));
  // MAJOR.MINOR[.PATCH] of the build's project version.
  const std::string number = version.substr(8);
  EXPECT_FALSE(number.empty());
  EXPECT_EQ(number.find_first_not_of("0123456789."), std::string::npos) << number;
  EXPECT_NE(number.find('.'), std::string::npos) << number;
}

}  // namespace
}  // namespace torvane
