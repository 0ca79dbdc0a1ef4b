// Files opened as streams, and directory listings.
#include <map>
#include <memory>

#include "basic/strings.h"
#include "core/errors.h"
#include "io/commands.h"
#include "io/files/file_stream.h"
#include "io/driver/file_system.h"
#include "io/files/files.h"
#include "io/files/paths.h"
#include "io/io_run.h"

namespace korva::io {
namespace {

// The set of live file streams, by handle, so shut-down closes the oldest first.
std::map<uint32_t, std::unique_ptr<FileStream>>& openFiles() {
  static std::map<uint32_t, std::unique_ptr<FileStream>> files;
  return files;
}

int32_t open(vxStr* name, FileStream::Mode mode) {
  std::unique_ptr<FileStream> file = FileStream::open(hostPath(takeText(name)), mode);
  if (!file) return 0;
  uint32_t handle = file->handle();
  openFiles().emplace(handle, std::move(file));
  return static_cast<int32_t>(handle);
}

FileStream* fileOf(int32_t handle) {
  Stream* s = Stream::find(static_cast<uint32_t>(handle));
  if (s && s->kind() == Stream::Kind::File) return static_cast<FileStream*>(s);
  if (debugFlag()) raiseRuntimeError("File does not exist");
  return nullptr;
}

}  // namespace

void closeAllFiles() {
  auto& files = openFiles();
  while (!files.empty()) files.erase(files.begin());
}

size_t openFileCount() { return openFiles().size(); }

int32_t OpenFile(vxStr* name) { return open(name, FileStream::Mode::Update); }
int32_t ReadFile(vxStr* name) { return open(name, FileStream::Mode::Read); }
int32_t WriteFile(vxStr* name) { return open(name, FileStream::Mode::Write); }

void CloseFile(int32_t file) {
  if (fileOf(file)) openFiles().erase(static_cast<uint32_t>(file));
}

int32_t FilePos(int32_t file) {
  FileStream* f = fileOf(file);
  return f ? static_cast<int32_t>(f->position()) : 0;
}

int32_t SeekFile(int32_t file, int32_t pos) {
  FileStream* f = fileOf(file);
  if (!f) return 0;
  return f->seek(pos) ? static_cast<int32_t>(f->position()) : -1;
}

int32_t ReadDir(vxStr* name) {
  std::string path = hostPath(takeText(name));
  FileSystem* fs = fileSystem();
  if (!fs) return 0;
  // The empty name is the root, as a drive's root is on the other platform.
  return static_cast<int32_t>(fs->openListing(path.empty() ? "/" : path));
}

void CloseDir(int32_t dir) {
  if (FileSystem* fs = fileSystem()) fs->closeListing(static_cast<uint32_t>(dir));
}

vxStr* NextFile(int32_t dir) {
  FileSystem* fs = fileSystem();
  Directory* d = fs ? fs->listing(static_cast<uint32_t>(dir)) : nullptr;
  if (!d) {
    if (debugFlag()) raiseRuntimeError("Directory does not exist");
    return vxStrNew({});
  }
  return vxStrNew(d->next());
}

}  // namespace korva::io
