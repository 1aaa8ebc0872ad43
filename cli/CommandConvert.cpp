#include <set>
#include <system_error>

#include "cli/Commands.h"
#include "elevation/AtomicFile.h"
#include "elevation/TvdFile.h"
#include "resources/Texts.h"

namespace torvane::cli {

namespace {
bool takesValue(std::string_view option) { return option == "--output"; }
}  // namespace

// torvane-cli convert FILE... --output OUT
// Writes each input's full-resolution grid as a .tvd: OUT itself for one input (or OUT/name.tvd
// when OUT is a folder), OUT/name.tvd for each of several inputs. Stops at the first failure;
// files written before it stay and are listed.
int commandConvert(int argc, char** argv) {
  OpenArgs args;
  std::string problem;
  if (!parseOpenArgs(argc, argv, args, problem, &takesValue)) {
    return usage(problem);
  }
  std::filesystem::path output;
  for (size_t i = 0; i < args.rest.size(); i += 2) {
    if (args.rest[i] != "--output") {
      return usage("unknown option " + args.rest[i]);
    }
    output = args.rest[i + 1];
  }
  if (output.empty()) {
    return usage("convert needs --output OUT");
  }
  // An archive converts member by member, each to its own .tvd.
  const std::vector<std::filesystem::path> inputs = args.files;
  args.files = expandArchivesNoisily(args.files);
  if (args.files.empty()) {
    return fail(text(kTextNoValidData));
  }
  std::error_code ec;
  const bool several = args.files.size() > 1;
  const bool intoFolder = several || std::filesystem::is_directory(output, ec);
  if (several && !std::filesystem::is_directory(output, ec)) {
    if (std::filesystem::exists(output, ec)) {
      return usage("--output must be a folder when converting several files");
    }
    std::filesystem::create_directories(output, ec);
    if (ec) {
      return fail("cannot create " + output.string() + ": " + ec.message());
    }
  }
  std::vector<std::filesystem::path> targets;
  std::set<std::filesystem::path> seen;
  for (const std::filesystem::path& file : args.files) {
    std::filesystem::path target = output;
    if (intoFolder) {
      target = output / file.filename();
      target.replace_extension(".tvd");
    }
    if (!seen.insert(target.lexically_normal()).second) {
      return usage("two inputs would both be written to " + target.string());
    }
    targets.push_back(target);
  }
  // No target may replace any of the inputs (a source, another spelling or a link of it, or
  // the archive of a member): refused before anything is written.
  for (const std::filesystem::path& target : targets) {
    WriteError refused;
    if (!checkWriteTarget(target, WriteGuard{inputs}, &refused)) {
      return fail(refused.message());
    }
  }

  std::vector<std::string> written;
  auto writeList = [&](JsonWriter& json) {
    json.key("written").beginArray();
    for (const std::string& w : written) {
      json.value(w);
    }
    json.endArray();
  };
  for (size_t i = 0; i < args.files.size(); ++i) {
    std::string error;
    const ConvertStatus status = convertToTvd(args.files[i], targets[i], error);
    if (status != ConvertStatus::Written) {
      JsonWriter json;
      json.beginObject().field("ok", false);
      json.field("error", status == ConvertStatus::NoValidData ? std::string(text(kTextNoValidData))
                                                               : error);
      json.field("file", args.files[i].string()).field("detail", error);
      writeList(json);
      json.endObject();
      print(json);
      return 1;
    }
    written.push_back(targets[i].string());
  }
  JsonWriter json;
  json.beginObject().field("ok", true);
  writeList(json);
  json.endObject();
  print(json);
  return 0;
}

}  // namespace torvane::cli
