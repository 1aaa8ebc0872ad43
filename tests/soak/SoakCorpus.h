#pragma once
// The fixed set of files the soak drops on the window and picks in its file dialogs: the demo
// tiles, the real GSI samples when present, generated tiles of every elevation format, GSI zips,
// line/point files, images to drape, projects, the fuzz seeds and the hostile files of the
// reader tests. Built once per run into a scratch folder, always in the same order, so that a
// seed picks the same files on every run.

#include <filesystem>
#include <string>
#include <vector>

namespace torvane::soak {

//! What a corpus file is for (the soak picks by kind, then by index).
enum class CorpusKind {
  Elevation,  //!< opens as elevation data (.xml DEM, .zip, .tvd, .bil, .lem)
  Lines,      //!< line/point data (.xml vector, .nmea, .log, .bln, .xyn, .blhrgb)
  Image,      //!< .jpg / .png to drape
  Project,    //!< .tvp
  Seed,       //!< fuzz seeds: mostly broken, any format
  Hostile,    //!< the reader tests' hostile files
  Other,      //!< files of no known type
  Count,
};

const char* corpusKindName(CorpusKind kind);

struct CorpusFile {
  std::filesystem::path path;
  CorpusKind kind;
  bool heavy = false;  //!< takes seconds to open (the large real samples): picked rarely
};

class SoakCorpus {
public:
  /// Writes the generated files under `folder` (emptied first) and lists them with the demo
  /// tiles of `demoDir` and the real samples of `samplesDir` (skipped when absent).
  SoakCorpus(const std::filesystem::path& folder, const std::filesystem::path& demoDir,
             const std::filesystem::path& samplesDir);

  const std::vector<CorpusFile>& files() const { return mFiles; }
  /// The files of one kind, in corpus order.
  std::vector<const CorpusFile*> ofKind(CorpusKind kind) const;
  /// The small tile a full clear opens: the scene then holds only it.
  const std::filesystem::path& clearTile() const { return mClearTile; }
  /// The demo tiles, in name order.
  const std::vector<std::filesystem::path>& demoTiles() const { return mDemoTiles; }
  const std::filesystem::path& folder() const { return mFolder; }
  /// One line per kind with its count.
  std::string summary() const;

private:
  void add(const std::filesystem::path& path, CorpusKind kind, bool heavy = false);
  void writeElevation();
  void writeLines();
  void writeImages();
  void writeProjects();
  void writeSeeds();
  void writeHostile();
  void writeOthers();
  void addSamples(const std::filesystem::path& samplesDir);

  std::filesystem::path mFolder;
  std::vector<std::filesystem::path> mDemoTiles;
  std::filesystem::path mClearTile;
  std::vector<CorpusFile> mFiles;
};

}  // namespace torvane::soak
