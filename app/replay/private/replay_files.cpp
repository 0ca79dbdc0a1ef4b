// Files in a replay: what the recorded run read is read again, either from the recording
// (when it carries the data) or from the disk, which must then hold the same content.
#include <unistd.h>

#include <cerrno>

#include "app/replay/private/file_content.h"
#include "app/replay/private/replayer.h"

namespace korva::replay {

int Replayer::open(const std::string& path, int flags, mode_t mode) {
  if (!onProgramThread() || !inCall_ || stopped_ || (flags & O_ACCMODE) == O_WRONLY)
    return openRegularFileDirectly(path, flags, mode);
  if (!nextIs(Tag::File, seq_) || peek()->text != path) {
    const Event* e = peek();
    diverge("the program reads " + path + ", and the recording has " + (e ? describe(*e) : std::string("no more data")));
    errno = ENOENT;
    return -1;
  }
  Event file = take();
  if (!file.kind) {
    errno = ENOENT;  // missing when recorded, whatever the disk holds now
    return -1;
  }
  if (file.carried) {
    int fd = memoryFile(file.bytes);
    if (fd < 0) diverge("no memory for the recorded content of " + path);
    return fd;
  }
  int fd = openRegularFileDirectly(path, flags, mode);
  if (fd < 0) {
    diverge("the recorded run read " + path + ", which is not here (record with --record-files to carry it)");
    return -1;
  }
  uint64_t hash = 0, size = 0;
  if (!fileContent(fd, hash, size, nullptr) || hash != file.hash || size != file.size) {
    ::close(fd);
    diverge(path + " is not the file the recorded run read (record with --record-files to carry it)");
    errno = ENOENT;
    return -1;
  }
  return fd;
}

}  // namespace korva::replay
