#if defined(__x86_64__) && defined(__linux__)
#include "guest/native/low_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "guest/memory.h"

namespace korva::guest::native {
namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's shadow memory starts here and runs past 4 GiB.
constexpr uint64_t kShadowBase = 0x7fff0000;
#else
constexpr uint64_t kShadowBase = k4GiB;
#endif

struct Range {
  uint64_t begin, end;
  std::string name;
  bool noAccess;
};

std::mutex g_lock;
bool g_reserved = false;

// Mappings that start below 4 GiB, in address order.
std::vector<Range> lowMappings() {
  std::vector<Range> out;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    uint64_t begin = 0, end = 0;
    char perms[8] = {};
    if (std::sscanf(line.c_str(), "%" SCNx64 "-%" SCNx64 " %4s", &begin, &end, perms) != 3 || begin >= k4GiB)
      continue;
    size_t slash = line.find_first_of("/[");
    out.push_back({begin, std::min(end, k4GiB), slash == std::string::npos ? "" : line.substr(slash),
                   std::string_view(perms).substr(0, 3) == "---"});
  }
  return out;
}

uint64_t lowestMappable() {
  uint64_t minimum = 65536;
  std::ifstream f("/proc/sys/vm/mmap_min_addr");
  f >> minimum;
  return std::max<uint64_t>((minimum + kPageSize - 1) & ~uint64_t(kPageSize - 1), kPageSize);
}

bool ours(const Range& r) {
  if (r.begin >= kZoneBase && r.end <= kRegionEnd) return true;
  if (r.begin >= kShadowBase) return true;
  // The reservation itself: no access, no file.
  return g_reserved && r.noAccess && r.name.empty();
}

void* mapAt(uint64_t address, size_t size, int prot, int flags) {
  return mmap(reinterpret_cast<void*>(address), size, prot, MAP_PRIVATE | MAP_ANONYMOUS | flags, -1, 0);
}

}  // namespace

std::string foreignLowMapping() {
  std::lock_guard lock(g_lock);
  for (const Range& r : lowMappings()) {
    if (ours(r)) continue;
    char text[64];
    std::snprintf(text, sizeof text, "0x%08" PRIx64 "-0x%08" PRIx64 " ", r.begin, r.end);
    return text + (r.name.empty() ? std::string("(anonymous)") : r.name);
  }
  return {};
}

std::string reserveLowMemory() {
  std::lock_guard lock(g_lock);
  const uint64_t lowest = lowestMappable();
  // Another thread may map something between reading the map and reserving a gap.
  for (int attempt = 0; attempt < 16; ++attempt) {
    bool raced = false;
    uint64_t at = lowest;
    std::vector<Range> mapped = lowMappings();
    mapped.push_back({k4GiB, k4GiB, "", true});
    for (const Range& r : mapped) {
      if (r.begin > at) {
        void* got = mapAt(at, r.begin - at, PROT_NONE, MAP_NORESERVE | MAP_FIXED_NOREPLACE);
        if (got == MAP_FAILED) {
          if (errno != EEXIST) return "cannot reserve the memory below 4 GiB";
          raced = true;
          break;
        }
        if (got != reinterpret_cast<void*>(at)) {  // a kernel that ignores the flag
          munmap(got, r.begin - at);
          return "cannot reserve the memory below 4 GiB";
        }
      }
      at = std::max(at, r.end);
    }
    if (!raced) {
      g_reserved = true;
      return {};
    }
  }
  return "the memory below 4 GiB keeps changing";
}

bool mapZone(uintptr_t address, size_t size) {
  std::lock_guard lock(g_lock);
  int flags = g_reserved ? MAP_FIXED : MAP_FIXED_NOREPLACE;  // the reservation is ours to replace
  return mapAt(address, size, PROT_READ | PROT_WRITE, flags) == reinterpret_cast<void*>(address);
}

void unmapZone(uintptr_t address, size_t size) {
  std::lock_guard lock(g_lock);
  if (g_reserved)
    mapAt(address, size, PROT_NONE, MAP_NORESERVE | MAP_FIXED);
  else
    munmap(reinterpret_cast<void*>(address), size);
}

}  // namespace korva::guest::native
#endif
