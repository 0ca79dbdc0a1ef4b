// The read and write commands on any stream: byte layouts, short reads, strings and lines.
#include <climits>
#include <functional>

#include "io_test.h"

namespace korva::test {
namespace {

using namespace io;
using Bytes = std::vector<uint8_t>;

class StreamValues : public IoTest {};

TEST_F(StreamValues, WritesLayOutLittleEndianBytes) {
  struct Case {
    const char* what;
    std::function<void(int32_t)> write;
    Bytes expected;
  };
  const Case cases[] = {
      {"WriteInt -2", [](int32_t s) { WriteInt(s, -2); }, {0xFE, 0xFF, 0xFF, 0xFF}},
      {"WriteFloat 1.5", [](int32_t s) { WriteFloat(s, 1.5f); }, {0x00, 0x00, 0xC0, 0x3F}},
      {"WriteShort keeps the low 16 bits", [](int32_t s) { WriteShort(s, 0x12345); }, {0x45, 0x23}},
      {"WriteByte keeps the low 8 bits", [](int32_t s) { WriteByte(s, 0x1FF); }, {0xFF}},
      {"WriteString hi", [](int32_t s) { WriteString(s, S("hi")); }, {2, 0, 0, 0, 'h', 'i'}},
      {"WriteString empty", [](int32_t s) { WriteString(s, S("")); }, {0, 0, 0, 0}},
      {"WriteString keeps zero bytes", [](int32_t s) { WriteString(s, S(std::string_view("a\0b", 3))); },
       {3, 0, 0, 0, 'a', 0, 'b'}},
      {"WriteLine x", [](int32_t s) { WriteLine(s, S("x")); }, {'x', 13, 10}},
  };
  for (const Case& c : cases) {
    MemoryStream m;
    size_t strings = liveStringCount();
    c.write(m.h());
    EXPECT_EQ(m.bytes(), c.expected) << c.what;
    EXPECT_EQ(liveStringCount(), strings) << c.what << ": the string argument is released";
  }
}

TEST_F(StreamValues, FixedSizeReadsZeroWhatDoesNotArrive) {
  struct Case {
    Bytes bytes;
    int32_t (*read)(int32_t);
    int32_t expected;
  };
  const Case cases[] = {
      {{0xFE, 0xFF, 0xFF, 0xFF}, ReadInt, -2},
      {{0xFE, 0xFF, 0xFF, 0xFF}, ReadShort, 65534},
      {{0xFE, 0xFF, 0xFF, 0xFF}, ReadByte, 254},
      {{0x34, 0x12}, ReadInt, 0x1234},  // two bytes left: read as 0..65535
      {{0xFF, 0xFF, 0xFF}, ReadInt, 0xFFFFFF},
      {{0x7F}, ReadShort, 0x7F},
      {{}, ReadInt, 0},
      {{}, ReadByte, 0},
  };
  for (const Case& c : cases) {
    MemoryStream m(c.bytes);
    EXPECT_EQ(c.read(m.h()), c.expected) << ::testing::PrintToString(c.bytes);
  }
  MemoryStream f({0x00, 0x00, 0xC0, 0x3F});
  EXPECT_EQ(ReadFloat(f.h()), 1.5f);
  EXPECT_EQ(ReadFloat(f.h()), 0.0f);
}

TEST_F(StreamValues, ReadStringTakesWhatArrivesUpToTheFirstZero) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::string expected;
    int32_t left;  // bytes still unread afterwards
  };
  const Case cases[] = {
      {"length then text", {2, 0, 0, 0, 'h', 'i', '!'}, "hi", 1},
      {"length cut short", {3, 0}, "", 0},
      {"fewer bytes than announced", {5, 0, 0, 0, 'a', 'b'}, "ab", 0},
      {"negative length", {0xFE, 0xFF, 0xFF, 0xFF, 'a'}, "", 1},
      {"zero length", {0, 0, 0, 0, 'a'}, "", 1},
      {"cut at a zero byte, all bytes consumed", {4, 0, 0, 0, 'a', 0, 'b', 'c', 'z'}, "a", 1},
      {"nothing arrives", {9, 0, 0, 0}, "", 0},
  };
  for (const Case& c : cases) {
    MemoryStream m(c.bytes);
    EXPECT_EQ(text(ReadString(m.h())), c.expected) << c.what;
    EXPECT_EQ(m.avail(), c.left) << c.what;
  }
}

TEST_F(StreamValues, ReadStringWithAHugeLengthAsksOnlyInBoundedChunks) {
  Bytes bytes = {0xFF, 0xFF, 0xFF, 0x7F};
  std::string payload(200000, 'q');
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  MemoryStream m(bytes);
  EXPECT_EQ(text(ReadString(m.h())), payload);
  // The chunks double from 64 KiB after each full one: never the announced 2 GiB at once.
  EXPECT_LE(m.largestRead, 256 * 1024);
}

// What arrives goes straight into guest memory: a string or a line that guest memory can
// no longer take ends there, with no more of the stream read than fits, and the stream is
// given up (a connection then fails).
TEST_F(StreamValues, TextLongerThanGuestMemoryCanTakeGivesUpTheStream) {
  constexpr uint32_t kLeft = 8 << 20;
  const Bytes flood(48 << 20, 'q');
  struct Case {
    const char* what;
    Bytes bytes;
    vxStr* (*read)(int32_t);
    bool empty;  // the result: empty, or what had arrived when the room ran out
  } cases[] = {
      {"ReadString, a length that lies", Bytes{0xF0, 0xFF, 0xFF, 0x7F}, &ReadString, true},
      {"ReadString, a length that holds", Bytes{0x00, 0x00, 0x00, 0x03}, &ReadString, true},
      {"ReadLine without a line feed", Bytes{}, &ReadLine, false},
  };
  for (Case& c : cases) {
    c.bytes.insert(c.bytes.end(), flood.begin(), flood.end());
    MemoryStream m(c.bytes);
    GuestMemoryTaken taken(kLeft);
    ASSERT_TRUE(taken.taken());
    std::string got = text(c.read(m.h()));
    EXPECT_EQ(got.empty(), c.empty) << c.what;
    EXPECT_LE(got.size(), kLeft) << c.what;
    EXPECT_TRUE(m.abandoned) << c.what;
    EXPECT_LE(m.consumed(), 2 * kLeft) << c.what << ": read on beyond what guest memory could take";
  }
  // With the room back, the same text is whole.
  MemoryStream whole(Bytes(4 << 20, 'q'));
  EXPECT_EQ(text(ReadLine(whole.h())).size(), 4u << 20);
  EXPECT_FALSE(whole.abandoned);
}

TEST_F(StreamValues, ReadLineDropsEveryCarriageReturn) {
  MemoryStream m({'a', 13, 'b', 10, 'c'});
  EXPECT_EQ(text(ReadLine(m.h())), "ab");
  EXPECT_EQ(text(ReadLine(m.h())), "c");
  EXPECT_EQ(text(ReadLine(m.h())), "");
  EXPECT_EQ(Eof(m.h()), 1);

  const std::pair<Bytes, std::string> lines[] = {
      {{'a', 'b', 'c', 13, 10}, "abc"},
      {{'a', 'b', 'c', 10}, "abc"},
      {{'a', 'b', 'c'}, "abc"},
      {{'a', 0, 'b', 10}, std::string("a\0b", 3)},
      {{13, 13, 10}, ""},
  };
  for (const auto& [bytes, line] : lines) {
    MemoryStream s(bytes);
    EXPECT_EQ(text(ReadLine(s.h())), line) << ::testing::PrintToString(bytes);
  }
}

TEST_F(StreamValues, UnknownHandlesRaiseInDebugModeAndDoNothingOtherwise) {
  const std::function<void(int32_t)> commands[] = {
      [](int32_t s) { Eof(s); },          [](int32_t s) { ReadAvail(s); },
      [](int32_t s) { ReadByte(s); },     [](int32_t s) { ReadShort(s); },
      [](int32_t s) { ReadInt(s); },      [](int32_t s) { ReadFloat(s); },
      [](int32_t s) { vxStrRelease(ReadString(s)); },
      [](int32_t s) { vxStrRelease(ReadLine(s)); },
      [](int32_t s) { WriteByte(s, 1); }, [](int32_t s) { WriteShort(s, 1); },
      [](int32_t s) { WriteInt(s, 1); },  [](int32_t s) { WriteFloat(s, 1); },
      [](int32_t s) { WriteString(s, vxStrNew("x")); },
      [](int32_t s) { WriteLine(s, vxStrNew("x")); },
  };
  int32_t gone;
  {
    MemoryStream m;
    gone = m.h();
  }
  for (int32_t handle : {0, gone, INT_MIN}) {
    for (bool debug : {true, false}) {
      setDebugFlag(debug);
      for (size_t i = 0; i < std::size(commands); ++i) {
        size_t strings = liveStringCount();
        EXPECT_EQ(errorOf([&] { commands[i](handle); }), debug ? "Stream does not exist" : "")
            << "command " << i << " handle " << handle;
        EXPECT_EQ(liveStringCount(), strings) << "command " << i;
      }
    }
  }
  setDebugFlag(false);
  EXPECT_EQ(ReadInt(gone), 0);
  EXPECT_EQ(text(ReadString(gone)), "");
}

}  // namespace
}  // namespace korva::test
