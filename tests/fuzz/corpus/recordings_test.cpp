// Mutants of recordings: the file as written (header and compressed stream), and the events
// inside the stream compressed again, so that the mutants reach the event decoder and not
// only the decompressor's checks. None may crash, hang or allocate past the file's size.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/replay/log_format.h"
#include "app/replay/log_stream.h"
#include "fuzz/corpus/mutants.h"
#include "support/process.h"

namespace korva::test {
namespace {

using namespace korva::replay;

std::string someEvents() {
  std::string bytes;
  uint64_t seq = 0;
  auto add = [&](Event e) {
    bytes += encodeEvent(e, seq);
    if (e.tag != Tag::Routine) seq = e.seq;
  };
  const char* declarations[] = {"%MilliSecs", "$CurrentTime", "%ReadBytes%bank%file%offset%count"};
  for (uint32_t id = 0; id < 3; ++id) add({.tag = Tag::Routine, .routine = id, .text = declarations[id]});
  for (uint64_t call = 1; call < 40; ++call) {
    add({.tag = Tag::Value, .seq = call * 3, .routine = 0, .form = Form::Word, .word = uint32_t(call * 16)});
    if (call % 5 == 0) add({.tag = Tag::Value, .seq = call * 3 + 1, .routine = 1, .form = Form::Text, .text = "12:00:00"});
    if (call % 7 == 0)
      add({.tag = Tag::Value, .seq = call * 3 + 1, .routine = 2, .form = Form::Word, .word = 4, .bytes = "abcd",
           .handles = 1});
    Event frame{.tag = Tag::Frame, .seq = call * 3 + 2, .hash = call};
    if (call % 9 == 0) {
      frame.hasPicture = true;
      frame.width = 4;
      frame.height = 2;
      frame.bytes = std::string(32, char(call));
    }
    add(frame);
  }
  add({.tag = Tag::File, .seq = 200, .text = "scores.txt", .bytes = "abc", .kind = 1, .hash = 5, .size = 3,
       .carried = true});
  add({.tag = Tag::End, .seq = 201, .text = "boom", .kind = 1});
  return bytes;
}

// Reads every event of the file; true when it decoded to its end without a fault.
bool readsWhole(const std::string& bytes) {
  std::string why;
  auto reader = LogReader::fromBytes(bytes, why);
  if (!reader) return false;
  uint64_t seq = 0;
  Event e;
  Decoded d;
  size_t events = 0;
  while ((d = decodeEvent(*reader, seq, e, why)) == Decoded::Event) {
    if (e.tag != Tag::Routine) seq = e.seq;
    // Nothing decoded may be larger than the decompressed data could hold.
    EXPECT_LE(e.text.size() + e.bytes.size(), kMaxText) << "event " << events;
    ++events;
  }
  return d == Decoded::End && reader->problem().empty();
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string compressed(const std::string& path, const std::string& events) {
  std::string why;
  Header header;
  header.programName = "fuzz.kbm";
  auto writer = LogWriter::create(path, header, why);
  EXPECT_TRUE(writer) << why;
  if (!writer) return {};
  writer->append(events);
  writer->finish();
  return readAll(path);
}

TEST(CorpusFuzz, Recordings) {
  const std::string dir = tempDir();
  const std::string events = someEvents();
  const std::string file = compressed(dir + "/base.korvarec", events);
  ASSERT_TRUE(readsWhole(file));
  std::mt19937_64 rng(fuzzSeed());
  int taken = 0, count = 0;
  for (int round = 0; round < fuzzRounds(); ++round) {
    for (int i = 0; i < 300; ++i, ++count) {
      Bytes b = mutate(Bytes(file.begin(), file.end()), rng);
      taken += readsWhole(std::string(b.begin(), b.end()));
    }
    for (int i = 0; i < 1000; ++i, ++count) {
      Bytes b = mutate(Bytes(events.begin(), events.end()), rng);
      taken += readsWhole(compressed(dir + "/mutant.korvarec", std::string(b.begin(), b.end())));
    }
  }
  EXPECT_GT(taken, 0);
  EXPECT_LT(taken, count);
#if defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(peakMemoryMiB(), 1536u) << "peak resident memory in MiB";
#else
  EXPECT_LT(peakMemoryMiB(), 512u) << "peak resident memory in MiB";
#endif
}


}  // namespace
}  // namespace korva::test
