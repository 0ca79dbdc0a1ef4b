#include "io/driver/file_system.h"

#include "core/handles.h"

namespace korva::io {

Directory::Directory(DIR* dir) : dir_(dir) { fetch(); }

Directory::~Directory() {
  if (dir_) closedir(dir_);
}

void Directory::fetch() {
  if (dirent* e = readdir(dir_)) {
    held_ = e->d_name;
    return;
  }
  closedir(dir_);
  dir_ = nullptr;
}

std::string Directory::next() {
  if (!dir_) return {};
  std::string name = std::move(held_);
  fetch();
  return name;
}

FileSystem::~FileSystem() {
  for (auto& [handle, dir] : listings_) Handles::remove(handle);
}

uint32_t FileSystem::openListing(const std::string& path) {
  DIR* dir = opendir(path.c_str());
  if (!dir) return 0;
  auto listing = std::make_unique<Directory>(dir);
  uint32_t handle = Handles::add(HandleKind::Directory, listing.get());
  listings_.emplace(handle, std::move(listing));
  return handle;
}

Directory* FileSystem::listing(uint32_t handle) const {
  auto it = listings_.find(handle);
  return it == listings_.end() ? nullptr : it->second.get();
}

bool FileSystem::closeListing(uint32_t handle) {
  if (listings_.erase(handle) == 0) return false;
  Handles::remove(handle);
  return true;
}

}  // namespace korva::io
