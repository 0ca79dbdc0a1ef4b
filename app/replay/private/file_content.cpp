#include "app/replay/private/file_content.h"

#include <sys/mman.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <vector>

namespace korva::replay {

bool fileContent(int fd, uint64_t& hash, uint64_t& size, std::string* bytes) {
  XXH3_state_t* state = XXH3_createState();
  XXH3_64bits_reset(state);
  std::vector<char> buffer(1 << 20);
  size = 0;
  if (bytes) bytes->clear();
  bool ok = true;
  for (;;) {
    ssize_t n = pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    XXH3_64bits_update(state, buffer.data(), static_cast<size_t>(n));
    if (bytes) bytes->append(buffer.data(), static_cast<size_t>(n));
    size += static_cast<uint64_t>(n);
  }
  hash = XXH3_64bits_digest(state);
  XXH3_freeState(state);
  return ok;
}

int memoryFile(const std::string& bytes) {
  int fd = memfd_create("korva-replay", MFD_CLOEXEC);
  if (fd < 0) return -1;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      close(fd);
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  lseek(fd, 0, SEEK_SET);
  return fd;
}

}  // namespace korva::replay
