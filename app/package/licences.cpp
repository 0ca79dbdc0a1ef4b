#include "app/package/licences.h"

#include <filesystem>
#include <set>
#include <sstream>

#include "app/package/run_tool.h"

namespace fs = std::filesystem;

namespace korva::package {
namespace {

// The names the package database may list a file under: the path as found, the file it
// leads to, and each with /usr in front or taken away (/lib is /usr/lib on merged systems).
std::vector<std::string> namesOf(const std::string& file) {
  std::vector<std::string> names = {file};
  std::error_code ec;
  fs::path real = fs::canonical(file, ec);
  if (!ec && real.string() != file) names.push_back(real.string());
  for (size_t i = 0, n = names.size(); i < n; ++i) {
    const std::string& name = names[i];
    names.push_back(name.rfind("/usr/", 0) == 0 ? name.substr(4) : "/usr" + name);
  }
  return names;
}

}  // namespace

std::vector<std::string> writeLicences(const std::vector<std::string>& systemFiles, const std::string& folder,
                                       std::string& why) {
  std::vector<std::string> query = {"dpkg-query", "--search"};
  for (const std::string& file : systemFiles)
    for (std::string& name : namesOf(file)) query.push_back(std::move(name));
  ToolResult found = runTool(query);
  if (!found.started) {
    why = "dpkg-query is not installed";
    return {};
  }
  // Lines are "package[:arch][, other]: path"; unknown names only go to standard error.
  std::set<std::string> packages;
  std::istringstream lines(found.output);
  for (std::string line; std::getline(lines, line);) {
    size_t end = line.find(": ");
    if (end == std::string::npos) continue;
    std::istringstream owners(line.substr(0, end));
    for (std::string owner; std::getline(owners, owner, ',');) {
      owner.erase(0, owner.find_first_not_of(' '));
      packages.insert(owner.substr(0, owner.find(':')));
    }
  }
  std::vector<std::string> written;
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (const std::string& package : packages) {
    fs::path copyright = fs::path("/usr/share/doc") / package / "copyright";
    if (fs::copy_file(copyright, fs::path(folder) / (package + ".txt"), fs::copy_options::overwrite_existing, ec))
      written.push_back(package);
  }
  if (written.empty()) why = "the package database names no package for the files";
  return written;
}

}  // namespace korva::package
