// The folders' layers point one way: no source file of the run-time includes a header of a
// layer above its own (cmake/layers.txt).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace korva {
namespace {

namespace fs = std::filesystem;

struct Layers {
  std::map<std::string, int> folderLayer;  // folder -> rank
  std::vector<std::string> names;

  // The layer of a path relative to the source tree, or -1 when it is in none.
  int of(const std::string& path) const {
    int layer = -1;
    size_t best = 0;
    for (const auto& [folder, rank] : folderLayer)
      if (path.rfind(folder + "/", 0) == 0 && folder.size() > best) best = folder.size(), layer = rank;
    return layer;
  }
};

Layers readLayers(const fs::path& file) {
  Layers layers;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const int rank = static_cast<int>(layers.names.size());
    layers.names.push_back(line.substr(0, colon));
    std::istringstream folders(line.substr(colon + 1));
    for (std::string folder; folders >> folder;) layers.folderLayer[folder] = rank;
  }
  return layers;
}

TEST(House, NoIncludeReachesALayerAbove) {
  const fs::path root = KORVA_SOURCE_DIR;
  const Layers layers = readLayers(root / "cmake/layers.txt");
  ASSERT_GE(layers.names.size(), 5u) << "cmake/layers.txt lists no layers";
  const std::regex include(R"re(^\s*#\s*include\s+"([^"]+)")re");
  std::vector<std::string> upward;
  size_t files = 0;
  for (const auto& [folder, rank] : layers.folderLayer) {
    if (!fs::is_directory(root / folder)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      const std::string path = fs::relative(entry.path(), root).string();
      const int own = layers.of(path);
      if (own != rank) continue;  // visited under the folder of its own layer
      ++files;
      std::ifstream in(entry.path());
      std::string line;
      for (int number = 1; std::getline(in, line); ++number) {
        std::smatch m;
        if (!std::regex_search(line, m, include)) continue;
        const int theirs = layers.of(m[1].str());
        if (theirs > own)
          upward.push_back(path + ":" + std::to_string(number) + " (" + layers.names[own] + ") includes " +
                           m[1].str() + " (" + layers.names[theirs] + ")");
      }
    }
  }
  EXPECT_GT(files, 100u);
  std::string list;
  for (const std::string& u : upward) list += "\n  " + u;
  EXPECT_TRUE(upward.empty()) << upward.size() << " includes reach a layer above:" << list;
}

}  // namespace
}  // namespace korva
