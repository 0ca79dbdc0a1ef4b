// The math commands. Angles are in degrees; the random generator is process-wide and starts
// again from the same state at every run.
#pragma once
#include <cstdint>

namespace korva::math {

float Sin(float degrees);
float Cos(float degrees);
float Tan(float degrees);
float ASin(float x);
float ACos(float x);
float ATan(float x);
float ATan2(float y, float x);
float Sqr(float x);
float Floor(float x);
float Ceil(float x);
float Exp(float x);
float Log(float x);
float Log10(float x);
float Rnd(float from, float to);
int32_t Rand(int32_t from, int32_t to);
void SeedRnd(int32_t seed);

// The generator's state, for tests.
int32_t rndState();

}  // namespace korva::math

namespace korva {
// The math module's start: the generator seeded with 0x1234.
bool math_create();
}  // namespace korva
