// Banks: the capacity rule, values at any offset, copies, range checks that keep every
// access inside the bank, and blocks moved to and from streams.
#include <climits>
#include <functional>

#include "io/banks/bank.h"
#include "io/banks/banks.h"
#include "io_test.h"

namespace korva::test {
namespace {

using namespace io;
using io::testing::bankCapacity;

class Banks : public IoTest {
 protected:
  void TearDown() override {
    bank_destroy();
    IoTest::TearDown();
  }
  static std::vector<int32_t> bytes(int32_t bank) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < BankSize(bank); ++i) out.push_back(PeekByte(bank, i));
    return out;
  }
};

TEST_F(Banks, CapacityGrowsByHalfAtLeastToTheSizeInStepsOf16) {
  int32_t a = CreateBank(0);
  EXPECT_EQ(BankSize(a), 0);
  EXPECT_EQ(bankCapacity(a), 0);
  ResizeBank(a, 10);
  EXPECT_EQ(bankCapacity(a), 16);
  EXPECT_EQ(bytes(a), std::vector<int32_t>(10, 0));

  int32_t b = CreateBank(20);
  const std::pair<int32_t, int64_t> steps[] = {{20, 32}, {40, 48}, {100, 112}, {50, 112}, {112, 112}, {113, 176}};
  for (auto [size, capacity] : steps) {
    ResizeBank(b, size);
    EXPECT_EQ(BankSize(b), size);
    EXPECT_EQ(bankCapacity(b), capacity) << "size " << size;
  }
}

TEST_F(Banks, BytesUncoveredByGrowingReadAsZero) {
  int32_t b = CreateBank(16);
  for (int32_t i = 0; i < 16; ++i) PokeByte(b, i, 0xAA);
  ResizeBank(b, 4);
  EXPECT_EQ(PeekByte(b, 8), 0) << "past the size, even inside the storage";
  ResizeBank(b, 16);
  EXPECT_EQ(bytes(b), (std::vector<int32_t>{0xAA, 0xAA, 0xAA, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  ResizeBank(b, 1000);  // moves the storage
  EXPECT_EQ(PeekInt(b, 0), -0x55555556);
  EXPECT_EQ(PeekInt(b, 996), 0);
}

TEST_F(Banks, ValuesAtAnyOffsetLittleEndian) {
  int32_t b = CreateBank(16);
  PokeInt(b, 0, -1);
  EXPECT_EQ(PeekShort(b, 0), 65535);
  EXPECT_EQ(PeekByte(b, 3), 255);
  EXPECT_EQ(PeekInt(b, 0), -1);
  PokeShort(b, 5, 0x12345);
  EXPECT_EQ(PeekByte(b, 5), 0x45);
  EXPECT_EQ(PeekByte(b, 6), 0x23);
  EXPECT_EQ(PeekByte(b, 7), 0);
  PokeByte(b, 7, -2);
  EXPECT_EQ(PeekByte(b, 7), 254);
  PokeFloat(b, 9, 1.5f);
  EXPECT_EQ(PeekInt(b, 9), 0x3FC00000);
  EXPECT_EQ(PeekFloat(b, 9), 1.5f);
}

TEST_F(Banks, CopyBankMovesOverlappingRangesAsTheyWere) {
  int32_t b = CreateBank(16);
  for (int32_t i = 0; i < 16; ++i) PokeByte(b, i, i + 1);
  CopyBank(b, 0, b, 2, 8);
  EXPECT_EQ(bytes(b), (std::vector<int32_t>{1, 2, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 16}));
  CopyBank(b, 4, b, 0, 8);
  EXPECT_EQ(bytes(b), (std::vector<int32_t>{3, 4, 5, 6, 7, 8, 11, 12, 7, 8, 11, 12, 13, 14, 15, 16}));
  int32_t c = CreateBank(4);
  CopyBank(b, 12, c, 0, 4);
  EXPECT_EQ(bytes(c), (std::vector<int32_t>{13, 14, 15, 16}));
}

// Every access that reaches past an end of a bank of 16 bytes.
struct Access {
  const char* what;
  std::function<void(int32_t bank, int32_t stream)> run;
};
const Access kOutside[] = {
    {"PeekInt at size - 3", [](int32_t b, int32_t) { PeekInt(b, 13); }},
    {"PokeInt at size - 3", [](int32_t b, int32_t) { PokeInt(b, 13, -1); }},
    {"PeekShort at size - 1", [](int32_t b, int32_t) { PeekShort(b, 15); }},
    {"PokeShort at size - 1", [](int32_t b, int32_t) { PokeShort(b, 15, -1); }},
    {"PeekByte at size", [](int32_t b, int32_t) { PeekByte(b, 16); }},
    {"PokeByte at size", [](int32_t b, int32_t) { PokeByte(b, 16, -1); }},
    {"PeekFloat far out", [](int32_t b, int32_t) { PeekFloat(b, 1 << 30); }},
    {"PokeFloat far out", [](int32_t b, int32_t) { PokeFloat(b, INT_MAX, 1); }},
    {"PokeInt below the start", [](int32_t b, int32_t) { PokeInt(b, -1, -1); }},
    {"PokeByte far below", [](int32_t b, int32_t) { PokeByte(b, INT_MIN, -1); }},
    {"CopyBank source past the end", [](int32_t b, int32_t) { CopyBank(b, 9, b, 0, 8); }},
    {"CopyBank target past the end", [](int32_t b, int32_t) { CopyBank(b, 0, b, 9, 8); }},
    {"CopyBank whose end wraps", [](int32_t b, int32_t) { CopyBank(b, 0, b, INT_MAX - 2, 8); }},
    {"ReadBytes past the end", [](int32_t b, int32_t s) { ReadBytes(b, s, 10, 7); }},
    {"ReadBytes whose end wraps", [](int32_t b, int32_t s) { ReadBytes(b, s, INT_MAX, 2); }},
    {"WriteBytes below the start", [](int32_t b, int32_t s) { WriteBytes(b, s, -4, 8); }},
};

TEST_F(Banks, DebugModeRaisesForEveryAccessPastAnEnd) {
  setDebugFlag(true);
  MemoryStream m(std::vector<uint8_t>(64, 0x77));
  int32_t b = CreateBank(16);
  for (const Access& a : kOutside) EXPECT_EQ(errorOf([&] { a.run(b, m.h()); }), "Offset out of range") << a.what;
  // The last valid place of each width.
  EXPECT_EQ(errorOf([&] { PeekInt(b, 12); }), "");
  EXPECT_EQ(errorOf([&] { PokeInt(b, 12, 1); }), "");
  EXPECT_EQ(errorOf([&] { PeekShort(b, 14); }), "");
  EXPECT_EQ(errorOf([&] { PokeByte(b, 15, 1); }), "");
  EXPECT_EQ(errorOf([&] { CopyBank(b, 8, b, 0, 8); }), "");
  EXPECT_EQ(errorOf([&] { CopyBank(b, 16, b, 16, 0); }), "") << "nothing copied at the end";
}

TEST_F(Banks, OutsideDebugModeAccessesPastAnEndDoNothing) {
  MemoryStream m(std::vector<uint8_t>(64, 0x77));
  int32_t b = CreateBank(16);
  for (int32_t i = 0; i < 16; ++i) PokeByte(b, i, i);
  std::vector<int32_t> before = bytes(b);
  for (const Access& a : kOutside) {
    EXPECT_EQ(errorOf([&] { a.run(b, m.h()); }), "") << a.what;
    EXPECT_EQ(bytes(b), before) << a.what;
  }
  EXPECT_EQ(m.avail(), 64) << "no stream bytes consumed";
  EXPECT_EQ(m.bytes().size(), 64u) << "no stream bytes written";
  EXPECT_EQ(PeekInt(b, 13), 0);
  EXPECT_EQ(PeekFloat(b, -4), 0.0f);
  EXPECT_EQ(ReadBytes(b, m.h(), 10, 7), 0);
}

TEST_F(Banks, FreedAndUnknownHandles) {
  int32_t b = CreateBank(8);
  FreeBank(b);
  setDebugFlag(true);
  EXPECT_EQ(errorOf([&] { FreeBank(b); }), "") << "FreeBank never raises";
  const std::function<void()> commands[] = {
      [&] { BankSize(b); },         [&] { ResizeBank(b, 4); },     [&] { PeekByte(b, 0); },
      [&] { PokeInt(b, 0, 1); },    [&] { CopyBank(b, 0, b, 0, 1); }, [&] { ReadBytes(b, 0, 0, 1); },
      [&] { WriteBytes(b, 0, 0, 1); },
  };
  for (const auto& c : commands) EXPECT_EQ(errorOf(c), "vxBank does not exist");
  int32_t live = CreateBank(8);
  EXPECT_EQ(errorOf([&] { ReadBytes(live, 12345, 0, 8); }), "Stream does not exist");
  EXPECT_EQ(errorOf([&] { ReadBytes(live, 12345, 4, 8); }), "Offset out of range") << "range first";
  setDebugFlag(false);
  for (const auto& c : commands) EXPECT_EQ(errorOf(c), "");
  EXPECT_EQ(BankSize(b), 0);
  EXPECT_EQ(ReadBytes(live, 12345, 0, 8), 0);
}

TEST_F(Banks, NegativeSizesMakeEmptyBanks) {
  int32_t b = CreateBank(-5);
  EXPECT_EQ(BankSize(b), 0);
  ResizeBank(b, 8);
  ResizeBank(b, -1);
  EXPECT_EQ(BankSize(b), 0);
  EXPECT_EQ(PeekByte(b, 0), 0);
}

TEST_F(Banks, StorageBeyondTheBudgetIsOutOfMemoryAndChangesNothing) {
  const int32_t budget = static_cast<int32_t>(Bank::kBudget);
  EXPECT_EQ(errorOf([] { CreateBank(INT_MAX); }), "Out of memory");
  EXPECT_EQ(errorOf([&] { CreateBank(budget + 1); }), "Out of memory");
  const int32_t most = CreateBank(budget - 64);
  EXPECT_EQ(Bank::bytesInUse(), budget - 64);
  const int32_t small = CreateBank(48);
  EXPECT_EQ(errorOf([] { CreateBank(32); }), "Out of memory");
  PokeInt(small, 0, 1234);
  EXPECT_EQ(errorOf([&] { ResizeBank(small, 100); }), "Out of memory");
  EXPECT_EQ(BankSize(small), 48);
  EXPECT_EQ(PeekInt(small, 0), 1234);
  ResizeBank(small, 64);  // growing by half (to 80) would not fit, the size itself does
  EXPECT_EQ(bankCapacity(small), 64);
  EXPECT_EQ(PeekInt(small, 0), 1234);
  FreeBank(most);
  EXPECT_EQ(Bank::bytesInUse(), 64);
  ResizeBank(small, 1 << 20);
  EXPECT_EQ(BankSize(small), 1 << 20);
  FreeBank(small);
  EXPECT_EQ(Bank::bytesInUse(), 0);
}

TEST_F(Banks, BlocksMoveToAndFromStreams) {
  MemoryStream m({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  int32_t b = CreateBank(16);
  for (int32_t i = 0; i < 16; ++i) PokeByte(b, i, 0xEE);
  EXPECT_EQ(ReadBytes(b, m.h(), 2, 14), 10) << "what arrived";
  EXPECT_EQ(bytes(b), (std::vector<int32_t>{0xEE, 0xEE, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0xEE, 0xEE, 0xEE, 0xEE}));
  MemoryStream out;
  EXPECT_EQ(WriteBytes(b, out.h(), 1, 3), 3);
  EXPECT_EQ(out.bytes(), (std::vector<uint8_t>{0xEE, 1, 2}));
}

TEST_F(Banks, ShutDownFreesEveryBank) {
  int32_t a = CreateBank(4), b = CreateBank(100);
  bank_destroy();
  EXPECT_EQ(liveBankCount(), 0u);
  EXPECT_EQ(bankCapacity(a), -1);
  EXPECT_EQ(bankCapacity(b), -1);
}

}  // namespace
}  // namespace korva::test
