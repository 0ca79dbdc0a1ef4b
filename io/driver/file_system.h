// The filesystem module's driver, owned by the run: it holds the live directory
// listings, and destroying it closes every one still open.
#pragma once
#include <dirent.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>


namespace korva::io {

// One listing: the entry found last and not yet handed out, until the system has no more.
class Directory {
 public:
  explicit Directory(DIR* dir);
  ~Directory();
  // The held entry's name, then the next is fetched; "" once the listing is finished.
  std::string next();

 private:
  void fetch();
  DIR* dir_;  // null once finished
  std::string held_;
};

class FileSystem final {
 public:
  ~FileSystem();
  // A listing of the directory at path; 0 when it cannot be listed.
  uint32_t openListing(const std::string& path);
  Directory* listing(uint32_t handle) const;
  // False when handle is not one of this driver's listings.
  bool closeListing(uint32_t handle);
  size_t openListings() const { return listings_.size(); }

 private:
  std::map<uint32_t, std::unique_ptr<Directory>> listings_;
};

}  // namespace korva::io
