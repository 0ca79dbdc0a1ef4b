// The math commands: the generator's exact sequence and ranges, and the degree-based
// trigonometry at its edges.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>

#include "commands/math.h"
#include "app/module_list.h"

namespace korva::test {
namespace {

using namespace math;

// The same generator by plain 64-bit arithmetic.
int32_t nextState(int32_t s) { return static_cast<int32_t>(int64_t{s} * 48271 % 2147483647); }
float valueOf(int32_t s) { return ((s & 0xFFFF) + 0.5f) / 65536.0f; }

class Random : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(math_create()); }
};

TEST_F(Random, SequenceFromTheStartState) {
  EXPECT_EQ(rndState(), 4660);
  EXPECT_EQ(Rnd(0, 1), 0.35565948486328125f);
  EXPECT_EQ(rndState(), 224942860);
  int32_t s = rndState();
  for (int i = 0; i < 100000; ++i) {
    s = nextState(s);
    ASSERT_EQ(Rnd(0, 1), valueOf(s)) << "draw " << i;
    ASSERT_EQ(rndState(), s);
  }
  // Rand makes exactly one draw too.
  s = nextState(s);
  EXPECT_EQ(Rand(1, 6), 1 + static_cast<int>(valueOf(s) * 6));
  EXPECT_EQ(rndState(), s);
}

TEST_F(Random, EveryRunStartsAgain) {
  SeedRnd(77);
  Rnd(0, 1);
  ASSERT_TRUE(math_create());
  EXPECT_EQ(rndState(), 4660);
}

TEST_F(Random, SeedKeepsTheLow16BitsAndNeverZero) {
  struct {
    int32_t seed, state;
  } cases[] = {{65536, 1}, {0, 1}, {65537, 1}, {-1, 65535}, {0x12345, 0x2345}, {INT_MIN, 1}, {7, 7}};
  for (auto c : cases) {
    SeedRnd(c.seed);
    EXPECT_EQ(rndState(), c.state) << c.seed;
  }
  SeedRnd(4660);
  EXPECT_EQ(Rnd(0, 1), 0.35565948486328125f);
}

TEST_F(Random, RandTakesItsBoundsInEitherOrder) {
  std::set<int32_t> seen;
  SeedRnd(9);
  std::vector<int32_t> forward;
  for (int i = 0; i < 1000; ++i) forward.push_back(Rand(1, 5));
  SeedRnd(9);
  for (int i = 0; i < 1000; ++i) {
    int32_t r = Rand(5, 1);
    EXPECT_EQ(r, forward[i]);
    seen.insert(r);
  }
  EXPECT_EQ(seen, (std::set<int32_t>{1, 2, 3, 4, 5}));

  seen.clear();
  for (int i = 0; i < 1000; ++i) seen.insert(Rand(-1, -5));
  EXPECT_EQ(seen, (std::set<int32_t>{-5, -4, -3, -2, -1}));
  for (int i = 0; i < 100; ++i) EXPECT_EQ(Rand(3, 3), 3);
  for (int i = 0; i < 1000; ++i) {
    int32_t r = Rand(INT_MIN, INT_MAX);  // wider than a float holds exactly
    (void)r;
    int32_t near = Rand(INT_MAX - 1, INT_MAX);
    EXPECT_TRUE(near == INT_MAX - 1 || near == INT_MAX);
  }
}

TEST_F(Random, RndStaysStrictlyInsideItsRange) {
  float lowest = 10, highest = 0;
  for (int i = 0; i < 200000; ++i) {
    float r = Rnd(2, 5);
    ASSERT_GT(r, 2.0f);
    ASSERT_LT(r, 5.0f);
    float d = Rnd(10, 0);  // the default second bound: between 0 and the first
    ASSERT_GT(d, 0.0f);
    ASSERT_LT(d, 10.0f);
    lowest = std::min(lowest, d), highest = std::max(highest, d);
  }
  EXPECT_LT(lowest, 0.01f);
  EXPECT_GT(highest, 9.99f);
}

TEST(Trigonometry, WorksInDegrees) {
  EXPECT_FLOAT_EQ(Sin(90), 1.0f);
  EXPECT_FLOAT_EQ(Sin(30), 0.5f);
  EXPECT_FLOAT_EQ(Cos(180), -1.0f);
  EXPECT_FLOAT_EQ(Tan(45), 1.0f);
  EXPECT_FLOAT_EQ(ATan2(1, 0), 90.0f);
  EXPECT_FLOAT_EQ(ATan2(0, -1), 180.0f);
  EXPECT_FLOAT_EQ(ATan2(-1, 0), -90.0f);
  EXPECT_FLOAT_EQ(ASin(1), 90.0f);
  EXPECT_FLOAT_EQ(ACos(-1), 180.0f);
  EXPECT_FLOAT_EQ(ATan(1), 45.0f);
}

TEST(MathEdges, DomainErrorsGiveNanOrInfinity) {
  EXPECT_TRUE(std::isnan(Sqr(-1)));
  EXPECT_TRUE(std::isnan(ASin(2)));
  EXPECT_TRUE(std::isnan(ACos(-1.5f)));
  EXPECT_TRUE(std::isnan(Log(-1)));
  EXPECT_EQ(Log(0), -INFINITY);
  EXPECT_EQ(Log10(0), -INFINITY);
  EXPECT_FLOAT_EQ(Log10(1000), 3.0f);
  EXPECT_FLOAT_EQ(Exp(0), 1.0f);
  EXPECT_EQ(Floor(-1.5f), -2.0f);
  EXPECT_EQ(Ceil(-1.5f), -1.0f);
  EXPECT_EQ(Floor(2.0f), 2.0f);
  EXPECT_EQ(Sqr(16), 4.0f);
}

}  // namespace
}  // namespace korva::test
