// Whole replays of spoilt recordings through the korva executable: each one replays, stops
// with a message or is refused, and none crashes or hangs.
#include <gtest/gtest.h>

#include "app/replay/log_stream.h"
#include "fuzz/corpus/mutants.h"
#include "replay/replay_support.h"

namespace korva {
namespace {

// The events of a recording, decompressed.
std::string eventsOf(const std::string& path, replay::Header& header) {
  std::string why, events;
  auto reader = replay::LogReader::open(path, why);
  EXPECT_TRUE(reader) << why;
  if (!reader) return events;
  header = reader->header();
  char c;
  while (reader->read(&c, 1)) events.push_back(c);
  return events;
}

TEST(HostileRecordings, SpoiltRecordingsStopOrAreRefusedAndNeverCrash) {
  const std::string dir = test::testDir(), good = dir + "/good.korvarec", spoilt = dir + "/spoilt.korvarec";
  const std::string program = test::programPath("replay");
  ASSERT_EQ(test::korva("--record " + good, program, "c 4").exitCode, 0);
  replay::Header header;
  const std::string events = eventsOf(good, header), file = test::readAll(good);
  ASSERT_FALSE(events.empty());
  std::mt19937_64 rng(test::fuzzSeed());
  int stopped = 0;
  for (int i = 0; i < 24; ++i) {
    if (i % 3 == 0) {
      test::Bytes b = test::mutate(test::Bytes(file.begin(), file.end()), rng);
      test::writeAll(spoilt, std::string(b.begin(), b.end()));
    } else {
      test::Bytes b = test::mutate(test::Bytes(events.begin(), events.end()), rng);
      std::string why;
      auto writer = replay::LogWriter::create(spoilt, header, why);
      ASSERT_TRUE(writer) << why;
      writer->append(std::string(b.begin(), b.end()));
      writer->finish();
    }
    test::ProcessResult r = test::korva("--replay " + spoilt + " --verify", program, "");
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1 || r.exitCode == 2) << "mutant " << i << ": " << r.exitCode
                                                                        << "\n" << r.errors;
    EXPECT_TRUE(test::contains(r.errors, "korva: ")) << "mutant " << i << " says nothing";
    stopped += r.exitCode != 0;
  }
  EXPECT_GT(stopped, 0) << "no mutant reached the replay's checks";
}

}  // namespace
}  // namespace korva
