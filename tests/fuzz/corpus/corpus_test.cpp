// Mutants of real files of every kind the run-time reads: pictures, sounds, songs, fonts and
// the data of file streams. None may crash, hang, or make the process balloon; every budget
// is whole again once everything is freed. tcp_peers_test.cpp does the same for peers.
//
// By hand: KORVA_FUZZ_ROUNDS=20 KORVA_FUZZ_SEED=7 test_corpus; KORVA_FUZZ_TRACE=1 prints
// each pass's mutants, time and peak memory.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "basic/basic_module.h"
#include "basic/strings.h"
#include "fuzz/corpus/mutants.h"
#include "render/canvas/canvas.h"
#include "render/canvas/surface.h"
#include "render/fonts/font.h"
#include "render/fonts/private/face_source.h"
#include "render/fonts/private/glyph_renderer.h"
#include "render/imagefile/image_file.h"
#include "app/module_list.h"
#include "imagefile/pictures.h"
#include "io/commands.h"
#include "soundengine/sound_engine.h"
#include "soundengine/sound_files.h"
#include "support/process.h"

namespace korva::test {
namespace {

// Far above what the default pass needs (under 100 MiB), below what a budget that did not
// add up would let a long run take.
#if defined(__SANITIZE_ADDRESS__)
constexpr uint64_t kPeakMiB = 1536;  // shadow memory and the quarantine come on top
#else
constexpr uint64_t kPeakMiB = 512;
#endif

size_t openDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

struct Base {
  std::string name;  // the mutant's file name: its extension matters to some loaders
  Bytes file;
  int mutants;  // in one round
};

// Writes each base's mutants in turn and hands the file's name to try; counts them.
class Pass {
 public:
  explicit Pass(const char* what) : what_(what), rng_(fuzzSeed()), start_(std::chrono::steady_clock::now()) {}
  ~Pass() {
    if (fuzzTrace())
      std::fprintf(stderr, "-- %s: %d mutants (%d taken) in %.1f s, peak %llu MiB\n", what_, count_, taken_,
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(),
                   static_cast<unsigned long long>(peakMemoryMiB()));
  }
  // tryIt says whether the loader took the mutant. Both outcomes must occur, or the
  // mutants did not reach the decoders.
  void run(const std::vector<Base>& bases, const std::function<bool(const std::string&)>& tryIt) {
    QuietStderr quiet;
    const size_t descriptors = openDescriptors();
    for (int round = 0; round < fuzzRounds(); ++round)
      for (const Base& base : bases)
        for (int i = 0; i < base.mutants; ++i) {
          writeFile(base.name, mutate(base.file, rng_));
          taken_ += tryIt(base.name);
          ++count_;
        }
    EXPECT_GT(taken_, 0) << what_;
    EXPECT_LT(taken_, count_) << what_;
    EXPECT_EQ(openDescriptors(), descriptors) << what_ << ": a refused file left its descriptor open";
  }
  std::mt19937_64& rng() { return rng_; }

 private:
  const char* what_;
  std::mt19937_64 rng_;
  int count_ = 0, taken_ = 0;
  std::chrono::steady_clock::time_point start_;
};

Bytes bytesOf(const std::string& path) { return readFile(path); }

TEST(CorpusFuzz, Pictures) {
  InTempDir dir;
  const PixelLayout layouts[] = {PixelLayout::rgb565(), PixelLayout::xrgb8888(), PixelLayout::rgb888()};
  std::vector<Base> bases = {
      {"m.png", pngFile(24, 16), 600},          {"m.jpg", jpegFile(24, 16, colourAt), 600},
      {"m.bmp", bmpFile(24, 16), 600},          {"m.pcx", pcx8File(24, 16), 400},
      {"m24.pcx", pcx24File(24, 16), 400},      {"big.png", pngClaiming(4000, 4000), 200},
  };
  Pass pass("pictures");
  int layout = 0;
  pass.run(bases, [&](const std::string& name) {
    auto s = loadPicture(name, layouts[layout++ % 3], false);
    if (s) {
      EXPECT_TRUE(s->width() <= kMaxPictureSide && s->height() <= kMaxPictureSide) << name;
    }
    return s != nullptr;
  });
  EXPECT_EQ(Surface::pixelBytesInUse(), 0u);
  EXPECT_LT(peakMemoryMiB(), kPeakMiB) << "peak resident memory in MiB";
}

TEST(CorpusFuzz, SoundsSongsAndStreams) {
  InTempDir dir;
  sound::SoundEngine engine;
  engine.init(sound::kMixRate, sound::kMixChannels, sound::kNoOutput);
  auto tone = [&](const char* name, int format, int channels) {
    EXPECT_TRUE(writeTone(name, {.rate = 22050, .channels = channels, .frames = 8000, .format = format}));
    return bytesOf(name);
  };
  std::vector<Base> bases = {
      {"m.wav", tone("t.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2), 300},
      {"m8.wav", tone("t8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1), 150},
      {"m.ogg", tone("t.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1), 200},
      {"m.flac", tone("t.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2), 200},
      {"m.mp3", tone("t.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 1), 150},
      {"silent.flac", silentFlac(4, 4096), 200},
      {"m.mod", trackerModule(), 300},
      {"m.mid", midiFile(), sound::findSoundFont().empty() ? 0 : 40},
  };
  std::vector<float> out(2 * 4096);
  Pass pass("sounds");
  pass.run(bases, [&](const std::string& name) {
    // Each loaded thing is played for a moment, as sample, as stream and as song.
    bool taken = false;
    if (sound::SampleId s = engine.loadSample(name, sound::kLoadMode)) {
      engine.playSample(sound::kAnyChannel, s);
      engine.render(out.data(), 4096);
      engine.freeSample(s);
      taken = true;
    }
    if (sound::StreamId s = engine.openStream(name, sound::kLoadMode)) {
      engine.playStream(sound::kAnyChannel, s);
      engine.render(out.data(), 4096);
      engine.closeStream(s);
      taken = true;
    }
    if (sound::SongId s = engine.loadSong(name)) {
      engine.playSong(s);
      engine.render(out.data(), 4096);
      engine.freeSong(s);
      taken = true;
    }
    return taken;
  });
  engine.render(out.data(), 512);  // the mixer's last references go
  EXPECT_EQ(sound::soundBytesInUse(), 0u);
  EXPECT_LT(peakMemoryMiB(), kPeakMiB) << "peak resident memory in MiB";
}

TEST(CorpusFuzz, FontFiles) {
  InTempDir dir;
  auto bundled = fonts::bundledFace();
  std::vector<Base> bases = {{"m.ttf", Bytes(bundled.begin(), bundled.end()), 450}};
  const char* system = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  if (std::filesystem::exists(system)) bases.push_back({"s.ttf", readFile(system), 45});
  const int heights[] = {0, 12, -20, 48};
  Pass pass("fonts");
  pass.run(bases, [&](const std::string& name) {
    auto& rng = pass.rng();
    auto glyphs = fonts::GlyphRenderer::open(fonts::FaceSource{name, 0}, heights[rng() % 4], int(rng() % 8));
    if (!glyphs) return false;
    // Every glyph measured and drawn into a cell, as an atlas is made.
    auto cell = Canvas::create(256, std::clamp(glyphs->cellHeight(), 1, 256), PixelLayout::xrgb8888());
    EXPECT_NE(cell, nullptr);
    if (!cell) return false;
    cell->lock();
    for (int c = glyphs->first(); c <= glyphs->last(); ++c) {
      int width = std::clamp(glyphs->advance(uint8_t(c)), 0, 256);
      glyphs->render(uint8_t(c), *cell, 0, 0, width);
    }
    cell->unlock();
    return true;
  });
  EXPECT_LT(peakMemoryMiB(), kPeakMiB) << "peak resident memory in MiB";
}

// A file of values as a program writes them, read back in a random order of commands.
TEST(CorpusFuzz, StreamData) {
  ASSERT_TRUE(basic_create());
  InTempDir dir;
  int32_t w = io::WriteFile(vxStrNew("values.dat"));
  ASSERT_NE(w, 0);
  for (int i = 0; i < 20; ++i) {
    io::WriteInt(w, i * 1000 - 7);
    io::WriteString(w, vxStrNew(std::string(size_t(i * 13), char('a' + i))));
    io::WriteLine(w, vxStrNew("line " + std::to_string(i)));
    io::WriteFloat(w, float(i) / 3);
    io::WriteShort(w, i);
    io::WriteByte(w, 255 - i);
  }
  io::CloseFile(w);
  std::vector<Base> bases = {{"m.dat", readFile("values.dat"), 2000}};
  int32_t bank = io::CreateBank(64 * 1024);
  Pass pass("stream data");
  pass.run(bases, [&](const std::string& name) {
    auto& rng = pass.rng();
    int32_t f = io::ReadFile(vxStrNew(name));
    EXPECT_NE(f, 0);
    int ops = 0;
    for (; ops < 80 && io::Eof(f) == 0; ++ops) {
      switch (rng() % 8) {
        case 0: vxStrRelease(io::ReadString(f)); break;
        case 1: vxStrRelease(io::ReadLine(f)); break;
        case 2: io::ReadInt(f); break;
        case 3: io::ReadFloat(f); break;
        case 4: io::ReadShort(f); break;
        case 5: io::ReadByte(f); break;
        case 6: io::ReadBytes(bank, f, 0, int32_t(rng() % 65536)); break;
        default: io::SeekFile(f, int32_t(rng() % 4096)); break;
      }
    }
    io::CloseFile(f);
    return ops >= 8;  // read some way into it
  });
  io::FreeBank(bank);
  EXPECT_EQ(liveStringCount(), 0u);
  EXPECT_LT(peakMemoryMiB(), kPeakMiB) << "peak resident memory in MiB";
  basic_destroy();
}

}  // namespace
}  // namespace korva::test
