// The math module: degree-based trigonometry, rounding, logarithms and a small
// multiplicative congruential generator whose sequence programs may rely on.
#include <algorithm>
#include <bit>
#include <cmath>

#include "commands/math.h"
#include "link/module.h"

namespace korva {
namespace math {
namespace {

// Single-precision factors, so results match the program's own arithmetic.
const float kDegToRad = std::bit_cast<float>(0x3C8EFA35u);  // 0.017453292
const float kRadToDeg = std::bit_cast<float>(0x42652EE1u);  // 57.29578
constexpr int32_t kStartState = 0x1234;

int32_t g_state = kStartState;

// One step of x * 48271 mod (2^31 - 1), by Schrage's method so nothing overflows; the
// value comes from the low 16 bits only, strictly between 0 and 1.
float draw() {
  int32_t hi = g_state / 44488, lo = g_state % 44488;
  int32_t t = 48271 * lo - 3399 * hi;
  if (t < 0) t += 2147483647;
  g_state = t;
  return (static_cast<float>(t & 0xFFFF) + 0.5f) / 65536.0f;
}

float radians(float degrees) { return degrees * kDegToRad; }

}  // namespace

float Sin(float degrees) { return std::sin(radians(degrees)); }
float Cos(float degrees) { return std::cos(radians(degrees)); }
float Tan(float degrees) { return std::tan(radians(degrees)); }
float ASin(float x) { return std::asin(x) * kRadToDeg; }
float ACos(float x) { return std::acos(x) * kRadToDeg; }
float ATan(float x) { return std::atan(x) * kRadToDeg; }
float ATan2(float y, float x) { return std::atan2(y, x) * kRadToDeg; }
float Sqr(float x) { return std::sqrt(x); }
float Floor(float x) { return std::floor(x); }
float Ceil(float x) { return std::ceil(x); }
float Exp(float x) { return std::exp(x); }
float Log(float x) { return std::log(x); }
float Log10(float x) { return std::log10(x); }

float Rnd(float from, float to) { return from + draw() * (to - from); }

int32_t Rand(int32_t from, int32_t to) {
  int64_t lo = std::min(from, to), hi = std::max(from, to);
  float n = static_cast<float>(hi - lo + 1);
  // Wide ranges round n up in single precision; keep the result inside the bounds.
  auto offset = static_cast<int64_t>(std::floor(draw() * n));
  return static_cast<int32_t>(std::min(lo + offset, hi));
}

void SeedRnd(int32_t seed) {
  g_state = seed & 0xFFFF;
  if (g_state == 0) g_state = 1;
}

int32_t rndState() { return g_state; }

}  // namespace math

namespace {

using namespace math;

const SymbolDef kMathSymbols[] = {
    KORVA_ROUTINE("#Sin#degrees", Sin),
    KORVA_ROUTINE("#Cos#degrees", Cos),
    KORVA_ROUTINE("#Tan#degrees", Tan),
    KORVA_ROUTINE("#ASin#float", ASin),
    KORVA_ROUTINE("#ACos#float", ACos),
    KORVA_ROUTINE("#ATan#float", ATan),
    KORVA_ROUTINE("#ATan2#floata#floatb", ATan2),
    KORVA_ROUTINE("#Sqr#float", Sqr),
    KORVA_ROUTINE("#Floor#float", Floor),
    KORVA_ROUTINE("#Ceil#float", Ceil),
    KORVA_ROUTINE("#Exp#float", Exp),
    KORVA_ROUTINE("#Log#float", Log),
    KORVA_ROUTINE("#Log10#float", Log10),
    KORVA_ROUTINE("#Rnd#from#to=0", Rnd),
    KORVA_ROUTINE("%Rand%from%to=1", Rand),
    KORVA_ROUTINE("SeedRnd%seed", SeedRnd),
};

}  // namespace

bool math_create() {
  math::g_state = math::kStartState;
  return true;
}

namespace {
bool startMath(RunContext&) { return math_create(); }
}  // namespace

KORVA_MODULE(math, kMathSymbols, startMath, nullptr)

}  // namespace korva
