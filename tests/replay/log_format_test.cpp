// The recording format: events come back as written, headers of another kind are refused,
// and cut or spoilt streams end with a reason instead of a crash or a wild allocation.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/replay/log_format.h"
#include "app/replay/log_stream.h"
#include "replay/replay_support.h"
#include "support/process.h"

namespace korva::replay {
namespace {

class StringSource final : public ByteSource {
 public:
  explicit StringSource(std::string bytes) : bytes_(std::move(bytes)) {}
  bool read(void* dst, size_t n) override {
    if (n > bytes_.size() - at_) return false;
    std::memcpy(dst, bytes_.data() + at_, n);
    at_ += n;
    return true;
  }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

Event value(uint64_t seq, uint32_t routine, Form form, uint32_t word, std::string text = "", std::string bytes = "") {
  Event e;
  e.tag = Tag::Value;
  e.seq = seq;
  e.routine = routine;
  e.form = form;
  e.word = word;
  e.text = std::move(text);
  e.bytes = std::move(bytes);
  return e;
}

std::vector<Event> sampleEvents() {
  std::vector<Event> events;
  Event routine;
  routine.tag = Tag::Routine;
  routine.text = "%KeyHit%key";
  events.push_back(routine);
  events.push_back(value(7, 0, Form::Word, 0xFFFFFFFF));  // -1: the sign survives
  events.push_back(value(7, 0, Form::Word, 0x80000000));
  events.push_back(value(9, 0, Form::Float, 0x3FC00000));
  events.push_back(value(1u << 31, 0, Form::Text, 0, std::string("line\0two", 8), "bank bytes"));
  events.push_back(value(1ull << 40, 0, Form::None, 0));
  events.back().handles = 3;
  Event frame;
  frame.tag = Tag::Frame;
  frame.seq = (1ull << 40) + 3;
  frame.kind = 1;
  frame.hash = 0x0123456789ABCDEFull;
  frame.hasMemoryHash = true;
  frame.memoryHash = 42;
  frame.hasPicture = true;
  frame.width = 2;
  frame.height = 1;
  frame.bytes = std::string(8, '\x5A');
  events.push_back(frame);
  Event file;
  file.tag = Tag::File;
  file.seq = frame.seq;
  file.text = "assets/sprites.png";
  file.kind = 1;
  file.hash = 77;
  file.size = 5;
  file.carried = true;
  file.bytes = "12345";
  events.push_back(file);
  Event missing = file;
  missing.kind = 0;
  missing.carried = false;
  missing.bytes.clear();
  missing.size = 0;
  missing.hash = 0;
  events.push_back(missing);
  Event end;
  end.tag = Tag::End;
  end.seq = frame.seq + 1;
  end.kind = static_cast<uint8_t>(EndKind::Error);
  end.text = "Image does not exist";
  events.push_back(end);
  return events;
}

std::string encodeAll(const std::vector<Event>& events) {
  std::string bytes;
  uint64_t seq = 0;
  for (const Event& e : events) {
    bytes += encodeEvent(e, seq);
    if (e.tag != Tag::Routine) seq = e.seq;
  }
  return bytes;
}

void expectSame(const Event& a, const Event& b) {
  EXPECT_EQ(a.tag, b.tag);
  EXPECT_EQ(a.seq, b.seq);
  EXPECT_EQ(a.routine, b.routine);
  EXPECT_EQ(a.form, b.form);
  EXPECT_EQ(a.word, b.word);
  EXPECT_EQ(a.text, b.text);
  EXPECT_EQ(a.bytes, b.bytes);
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.hash, b.hash);
  EXPECT_EQ(a.memoryHash, b.memoryHash);
  EXPECT_EQ(a.size, b.size);
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  EXPECT_EQ(a.carried, b.carried);
  EXPECT_EQ(a.handles, b.handles);
}

TEST(RecordingFormat, EveryKindOfEventComesBackAsWritten) {
  const std::vector<Event> events = sampleEvents();
  StringSource source(encodeAll(events));
  uint64_t seq = 0;
  for (const Event& want : events) {
    Event got;
    std::string why;
    ASSERT_EQ(decodeEvent(source, seq, got, why), Decoded::Event) << why;
    expectSame(got, want);
    if (got.tag != Tag::Routine) seq = got.seq;
  }
  Event after;
  std::string why;
  EXPECT_EQ(decodeEvent(source, seq, after, why), Decoded::End);
}

TEST(RecordingFormat, AStreamCutAnywhereInsideAnEventIsReportedAsCutShort) {
  const std::string bytes = encodeAll(sampleEvents());
  for (size_t cut = 1; cut < bytes.size(); ++cut) {
    StringSource source(bytes.substr(0, cut));
    uint64_t seq = 0;
    Event e;
    std::string why;
    Decoded d;
    while ((d = decodeEvent(source, seq, e, why)) == Decoded::Event) {
      if (e.tag != Tag::Routine) seq = e.seq;
    }
    if (d == Decoded::Damaged) {
      EXPECT_EQ(why, "the recording is cut short") << "cut at " << cut;
    }
  }
}

TEST(RecordingFormat, LiesAboutKindsAndLengthsAreRefused) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* why;
  };
  std::string hugeText("\x02\x01\x00\x03", 4);
  putVarint(hugeText, uint64_t{1} << 40);  // a text longer than guest memory
  std::string hugePicture("\x03\x01\x20", 3);
  putFixed(hugePicture, 0, 8);
  putVarint(hugePicture, 16384);
  putVarint(hugePicture, 16384);  // 1 GiB of pixels
  std::string wrongPicture("\x03\x01\x20", 3);
  putFixed(wrongPicture, 0, 8);
  wrongPicture += "\x02\x02\x05";  // 2 x 2 pixels in 5 bytes
  const Case cases[] = {
      {"unknown tag", std::string("\x09", 1), "an event of an unknown kind"},
      {"zero tag", std::string("\x00", 1), "an event of an unknown kind"},
      {"value form", std::string("\x02\x01\x00\x07", 4), "a value of an unknown form"},
      {"value flags", std::string("\x02\x01\x00\x41", 4), "a value of an unknown form"},
      {"handles past a call's", std::string("\x02\x01\x00\x20\x81\x80\x04", 7), "a number past its limit"},
      {"frame kind", std::string("\x03\x01\x02", 3), "a frame of an unknown kind"},
      {"end kind", std::string("\x05\x01\x09", 3), "an end of an unknown kind"},
      {"file flags", std::string("\x04\x01\x00\x08", 4), "a file of an unknown kind"},
      {"missing file with data", std::string("\x04\x01\x00\x02", 4), "data carried for a missing file"},
      {"eleven-byte number", std::string("\x02") + std::string(11, '\xFF'), "a number longer than ten bytes"},
      {"text past guest memory", hugeText, "a number past its limit"},
      {"picture past its limit", hugePicture, "a picture past its limit"},
      {"picture bytes and sides", wrongPicture, "a picture whose size does not match its sides"},
  };
  for (const Case& c : cases) {
    StringSource source(c.bytes);
    Event e;
    std::string why;
    EXPECT_EQ(decodeEvent(source, 0, e, why), Decoded::Damaged) << c.what;
    EXPECT_EQ(why, c.why) << c.what;
  }
}

TEST(RecordingFormat, HeadersOfOtherFilesAndVersionsAreRefused) {
  Header header;
  header.programName = "game.kbm";
  header.programHash = 99;
  const std::string good = encodeHeader(header);
  Header read;
  std::string why;
  ASSERT_EQ(decodeHeader(good, read, why), good.size()) << why;
  EXPECT_EQ(read.programName, "game.kbm");
  EXPECT_EQ(read.programHash, 99u);

  std::string otherVersion = good;
  otherVersion[8] = 2;
  std::string unknownFlags = good;
  unknownFlags[12] = static_cast<char>(0x80);
  struct Case {
    std::string bytes;
    const char* why;
  };
  const Case cases[] = {
      {"PNG\r\n\x1a\n and more", "not a korva recording"},
      {"", "not a korva recording"},
      {good.substr(0, 20), "the recording is cut short in its header"},
      {good.substr(0, good.size() - 1), "the recording is cut short in its header"},
      {otherVersion, "a recording of format version 2; this korva reads version 1"},
      {unknownFlags, "the recording's header holds unknown flags"},
  };
  for (const Case& c : cases) {
    why.clear();
    EXPECT_EQ(decodeHeader(c.bytes, read, why), 0u) << c.why;
    EXPECT_EQ(why, c.why);
  }
}

TEST(RecordingStream, WhatWasFlushedIsReadableBeforeTheWriterEndsAndAnUnendedFileSaysSo) {
  const std::string path = test::tempDir() + "/flushed.korvarec";
  Header header;
  header.programName = "p";
  std::string why;
  auto writer = LogWriter::create(path, header, why);
  ASSERT_TRUE(writer) << why;
  const std::vector<Event> events = sampleEvents();
  writer->append(encodeAll(events));
  writer->flush();
  // Read while the writer still holds the file open: a crash would leave it so.
  auto reader = LogReader::open(path, why);
  ASSERT_TRUE(reader) << why;
  uint64_t seq = 0;
  size_t count = 0;
  Event e;
  while (decodeEvent(*reader, seq, e, why) == Decoded::Event) {
    if (e.tag != Tag::Routine) seq = e.seq;
    ++count;
  }
  EXPECT_EQ(count, events.size());
  EXPECT_EQ(reader->problem(), "the recording ends early (the run did not end cleanly)");

  writer->finish();
  reader = LogReader::open(path, why);
  ASSERT_TRUE(reader) << why;
  count = 0;
  while (decodeEvent(*reader, 0, e, why) == Decoded::Event) ++count;
  EXPECT_EQ(count, events.size());
  EXPECT_EQ(reader->problem(), "");
  EXPECT_TRUE(reader->endedCleanly());
}

TEST(RecordingStream, SpoiltCompressedBytesEndTheStreamWithAReason) {
  const std::string path = test::tempDir() + "/spoilt.korvarec";
  Header header;
  std::string why;
  auto writer = LogWriter::create(path, header, why);
  ASSERT_TRUE(writer) << why;
  writer->append(encodeAll(sampleEvents()));
  writer->finish();
  std::string bytes = test::readAll(path);
  const size_t body = encodeHeader(header).size();
  ASSERT_GT(bytes.size(), body + 8);
  bytes[body] ^= 0x55;  // the compressed stream's own magic number
  auto reader = LogReader::fromBytes(bytes, why);
  ASSERT_TRUE(reader) << why;
  Event e;
  while (decodeEvent(*reader, 0, e, why) == Decoded::Event) {
  }
  EXPECT_NE(reader->problem().find("the recording is damaged"), std::string::npos) << reader->problem();
}

}  // namespace
}  // namespace korva::replay
