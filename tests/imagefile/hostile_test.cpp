// Files made to hurt: headers claiming enormous pictures, and thousands of mutated and
// truncated files of every type. None may crash, hang or allocate what it claims.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <random>

#include "render/imagefile/image_file.h"
#include "imagefile/pictures.h"
#include "support/fifo.h"
#include "support/process.h"

namespace korva {
namespace {

using test::bmpClaiming;
using test::Bytes;
using test::fixPngCrcs;
using test::jpegClaiming;
using test::pcxClaiming;
using test::pngClaiming;
using test::put16le;

// Decoders take their pixel memory from SDL's allocator; this notes the largest request.
class SdlAllocations {
 public:
  SdlAllocations() {
    SDL_GetMemoryFunctions(&malloc_, &calloc_, &realloc_, &free_);
    largest_ = 0;
    SDL_SetMemoryFunctions(watchMalloc, watchCalloc, watchRealloc, free_);
  }
  ~SdlAllocations() { SDL_SetMemoryFunctions(malloc_, calloc_, realloc_, free_); }
  size_t largest() const { return largest_; }
  void reset() { largest_ = 0; }

 private:
  static void note(size_t n) { largest_ = std::max(largest_, n); }
  static void* watchMalloc(size_t n) { return note(n), malloc_(n); }
  static void* watchCalloc(size_t k, size_t n) { return note(n && k > SIZE_MAX / n ? SIZE_MAX : k * n), calloc_(k, n); }
  static void* watchRealloc(void* p, size_t n) { return note(n), realloc_(p, n); }
  static inline SDL_malloc_func malloc_;
  static inline SDL_calloc_func calloc_;
  static inline SDL_realloc_func realloc_;
  static inline SDL_free_func free_;
  static inline size_t largest_ = 0;
};

Bytes padded(Bytes b, size_t size) {
  b.resize(std::max(b.size(), size));
  return b;
}

TEST(HostilePictures, HugeClaimsAreRefusedBeforeAllocating) {
  test::InTempDir dir;
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"huge.bmp", bmpClaiming(100000, 100000)},
      {"topdown.bmp", bmpClaiming(100000, -100000)},
      {"lowest.bmp", bmpClaiming(8, INT_MIN)},
      {"wide.bmp", bmpClaiming(kMaxPictureSide + 1, 1)},
      {"huge.png", pngClaiming(100000, 100000)},
      {"tall.png", pngClaiming(1, kMaxPictureSide + 1)},
      {"huge.pcx", pcxClaiming(65535, 65535)},
      {"huge.jpg", jpegClaiming(65000, 65000)},
      {"wide.jpg", jpegClaiming(kMaxPictureSide + 1, 8)},
  };
  SdlAllocations allocations;
  for (const Case& k : cases) {
    test::writeFile(k.name, k.file);
    allocations.reset();
    EXPECT_EQ(loadPicture(k.name, PixelLayout::xrgb8888(), false), nullptr) << k.name;
    EXPECT_LT(allocations.largest(), size_t(1) << 20) << k.name;
  }
}

// A header may claim a size the pixel budget could hold while the file is far too short to
// hold such a picture in its format at its best compression: refused before the decoder
// allocates. The same claims in files long enough do reach the decoder.
TEST(HostilePictures, ClaimsTheFileCannotHoldAreRefusedBeforeDecoding) {
  test::InTempDir dir;
  constexpr uint32_t kSide = 1024;
  struct Case {
    const char* name;
    Bytes file;
    size_t holds;  // a length that could hold the claim
  } cases[] = {
      {"claim.bmp", bmpClaiming(kSide, kSide), 54 + kSide * kSide * 3},
      {"claim.png", pngClaiming(kSide, kSide), kSide * (1 + kSide * 4) / 1000},
      {"claim.pcx", pcxClaiming(kSide, kSide), 128 + kSide * kSide / 30},
      {"claim.jpg", jpegClaiming(kSide, kSide), kSide * kSide / 500},
  };
  SdlAllocations allocations;
  for (Case& k : cases) {
    if (std::string(k.name) == "claim.pcx") put16le(k.file, 66, kSide);  // a line long enough
    test::writeFile(k.name, k.file);
    allocations.reset();
    EXPECT_EQ(loadPicture(k.name, PixelLayout::xrgb8888(), false), nullptr) << k.name;
    EXPECT_LT(allocations.largest(), size_t(1) << 20) << k.name;
    test::writeFile(k.name, padded(k.file, k.holds));
    allocations.reset();
    loadPicture(k.name, PixelLayout::xrgb8888(), false);  // the data is rubbish: either result is fine
    EXPECT_GE(allocations.largest(), size_t(kSide) * kSide) << k.name << " did not reach the decoder";
  }
}

// The decoder's pixels and the picture's come out of what is left of the pixel budget,
// checked before decoding: a program that holds most of the budget cannot load a picture
// that would pass it.
TEST(HostilePictures, PicturesPastWhatIsLeftOfThePixelBudgetAreRefused) {
  test::InTempDir dir;
  test::writeFile("real.png", test::pngFile(512, 512));
  std::vector<std::unique_ptr<Surface>> held;
  while (Surface::kPixelBudget - Surface::pixelBytesInUse() > (1u << 20))
    held.push_back(Surface::create(1024, 64, PixelLayout::xrgb8888()));
  SdlAllocations allocations;
  EXPECT_EQ(loadPicture("real.png", PixelLayout::xrgb8888(), false), nullptr);
  EXPECT_LT(allocations.largest(), size_t(512) * 512) << "refused before decoding";
  held.clear();
  auto loaded = loadPicture("real.png", PixelLayout::rgb565(), false);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->width(), 512);
}

// Named pipes are no picture files, to read or to write.
TEST(HostilePictures, NamedPipesAreNeitherReadNorWritten) {
  test::InTempDir dir;
  test::Fifo in(dir.path() + "/in.png"), out(dir.path() + "/out.bmp");
  ASSERT_TRUE(in.made() && out.made());
  auto canvas = test::colourCanvas(4, 4, PixelLayout::xrgb8888());
  bool loaded = true, saved = true;
  EXPECT_TRUE(test::returnsWithin(std::chrono::seconds(5), [&] {
    loaded = loadPicture("in.png", PixelLayout::xrgb8888(), false) != nullptr;
  }, {&in}));
  EXPECT_TRUE(test::returnsWithin(std::chrono::seconds(5), [&] { saved = saveBmp(*canvas, "out.bmp"); }, {&out}));
  EXPECT_FALSE(loaded);
  EXPECT_FALSE(saved);
}

// Decoders size line buffers from the header's bytes per line, some reading it as signed.
TEST(HostilePictures, PcxLinesMustHoldALine) {
  test::InTempDir dir;
  struct Case {
    uint32_t lineBytes;
    bool loads;
  } cases[] = {{8, true}, {7, false}, {0xC018, false}, {0x8000, false}};  // 8 wide: 8 is right
  for (const Case& k : cases) {
    Bytes b = test::pcx8File(8, 8);
    put16le(b, 66, k.lineBytes);
    test::writeFile("lines.pcx", b);
    EXPECT_EQ(loadPicture("lines.pcx", PixelLayout::xrgb8888(), false) != nullptr, k.loads) << k.lineBytes;
  }
}

// The same files at the limit do reach the decoder: the watch above can see a refusal fail.
TEST(HostilePictures, ClaimsAtTheLimitReachTheDecoder) {
  test::InTempDir dir;
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"wide.bmp", padded(bmpClaiming(kMaxPictureSide, 1), 54 + kMaxPictureSide * 3)},  // room for its row
      {"wide.jpg", jpegClaiming(kMaxPictureSide, 8)},
  };
  SdlAllocations allocations;
  for (const Case& k : cases) {
    test::writeFile(k.name, k.file);
    allocations.reset();
    loadPicture(k.name, PixelLayout::xrgb8888(), false);  // truncated data: either result is fine
    EXPECT_GE(allocations.largest(), size_t(kMaxPictureSide) * 3) << k.name;
  }
}

Bytes mutate(const Bytes& base, std::mt19937& rng, bool png) {
  Bytes b = base;
  auto below = [&](size_t n) { return size_t(rng() % n); };
  int kind = int(below(5));
  if (kind == 0 || kind == 4) b.resize(below(b.size()));
  if (kind == 1 || kind == 4)
    for (size_t n = 1 + below(4); n-- && !b.empty();) b[below(b.size())] = uint8_t(rng());
  if (kind == 2)  // headers hold the fields decoders trust most
    for (size_t n = 1 + below(3); n-- && !b.empty();) b[below(std::min<size_t>(b.size(), 64))] = uint8_t(rng());
  if (kind == 3 && !b.empty()) b[below(b.size())] ^= uint8_t(1u << below(8));
  if (png && below(2)) fixPngCrcs(b);
  return b;
}

TEST(HostilePictures, MutatedAndTruncatedFilesNeverCrash) {
  test::InTempDir dir;
  struct Base {
    const char* name;
    Bytes file;
  } bases[] = {
      {"mutant.png", test::pngFile(24, 16)},
      {"mutant.jpg", test::jpegFile(24, 16, test::colourAt)},
      {"mutant.bmp", test::bmpFile(24, 16)},
      {"mutant.pcx", test::pcx8File(24, 16)},
      {"mutant24.pcx", test::pcx24File(24, 16)},
  };
  constexpr int kMutants = 2500;
  // Fixed, so a failure names its mutant and repeats; KORVA_FUZZ_SEED explores others.
  const char* seed = std::getenv("KORVA_FUZZ_SEED");
  std::mt19937 rng(seed ? uint32_t(std::strtoul(seed, nullptr, 10)) : 1201u);
  test::QuietStderr quiet;
  for (const Base& base : bases) {
    int loaded = 0;
    for (int i = 0; i < kMutants; ++i) {
      test::writeFile(base.name, mutate(base.file, rng, base.name == std::string("mutant.png")));
      auto s = loadPicture(base.name, PixelLayout::rgb565(), false);
      if (!s) continue;
      ++loaded;
      ASSERT_TRUE(s->width() >= 1 && s->width() <= kMaxPictureSide) << base.name << " mutant " << i;
      ASSERT_TRUE(s->height() >= 1 && s->height() <= kMaxPictureSide) << base.name << " mutant " << i;
    }
    // Both outcomes occur, so the mutants reached the decoders rather than all failing early.
    EXPECT_GT(loaded, 0) << base.name;
    EXPECT_LT(loaded, kMutants) << base.name;
  }
}

}  // namespace
}  // namespace korva
