// make_music OUT.mod: writes the game's tune byte by byte as a four-channel tracker module
// ("M.K." layout: 31 sample headers, an order list, 64-row patterns, 8-bit samples).
//   channel 0  bass (a looped triangle cycle)
//   channel 1  melody (a looped pulse cycle)
//   channel 2  arpeggio over the chord (a looped saw cycle, quiet)
//   channel 3  drums (kick, snare and hat samples, synthesised here)
// The song is A minor, F, C, G per pattern; patterns 0 (intro), 1, 2, 1, 2 in order.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Periods of the three octaves a module plays, C-1 to B-3.
const int kPeriods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                          428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                          214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};
constexpr float kPlayRate = 8287.0f;  // a sample played at C-2
constexpr float kTau = 6.2831853f;

enum Sample { kBass = 1, kLead, kArp, kKick, kSnare, kHat, kSampleCount = kHat };

struct SampleDef {
  const char* name;
  std::vector<int8_t> data;
  int volume;
  bool looped;
};

struct Cell {
  int semitone = -1;  // 0 = C-1; -1 = no note
  int sample = 0;
  int effect = 0, param = 0;
};

using Pattern = std::vector<Cell>;  // 64 rows x 4 channels

int8_t clip(float v) { return static_cast<int8_t>(std::lround(std::fmax(-127.0f, std::fmin(127.0f, v * 127.0f)))); }

std::vector<SampleDef> makeSamples() {
  std::vector<SampleDef> s(kSampleCount + 1);
  std::vector<int8_t> triangle, pulse, saw;
  for (int i = 0; i < 64; ++i) {  // one cycle each
    float t = i / 64.0f;
    triangle.push_back(clip(t < 0.5f ? 4 * t - 1 : 3 - 4 * t));
  }
  s[kBass] = {"bass", triangle, 56, true};
  for (int i = 0; i < 32; ++i) {
    pulse.push_back(clip(i < 10 ? 0.6f : -0.6f));
    saw.push_back(clip(1.0f - i / 16.0f));
  }
  s[kLead] = {"lead", pulse, 40, true};
  s[kArp] = {"arpeggio", saw, 18, true};
  uint32_t seed = 4242;
  auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int32_t>(seed) / 2147483648.0f;
  };
  std::vector<int8_t> kick, snare, hat;
  float phase = 0;
  for (int i = 0; i < 1650; ++i) {
    float t = i / kPlayRate;
    phase += (45.0f + 115.0f * std::exp(-t * 25.0f)) / kPlayRate;
    kick.push_back(clip(std::sin(kTau * phase) * std::exp(-t * 12.0f)));
  }
  for (int i = 0; i < 1240; ++i) {
    float t = i / kPlayRate;
    snare.push_back(clip((0.7f * noise() + 0.4f * std::sin(kTau * 190.0f * t)) * std::exp(-t * 22.0f)));
  }
  float last = 0;
  for (int i = 0; i < 414; ++i) {
    float n = noise(), t = i / kPlayRate;
    hat.push_back(clip((n - last) * 0.5f * std::exp(-t * 60.0f)));  // a difference: mostly highs
    last = n;
  }
  s[kKick] = {"kick", kick, 64, false};
  s[kSnare] = {"snare", snare, 48, false};
  s[kHat] = {"hat", hat, 28, false};
  for (auto& def : s)
    if (def.data.size() % 2) def.data.push_back(0);  // lengths are counted in words
  return s;
}

// "A2" or "F#3" to a semitone from C-1.
int semitone(const std::string& name) {
  static const char* kNames = "C D EF G A B";
  int base = static_cast<int>(std::strchr(kNames, name[0]) - kNames);
  bool sharp = name[1] == '#';
  return base + (sharp ? 1 : 0) + 12 * (name[sharp ? 2 : 1] - '1');
}

struct Chord {
  int root;        // bass root, octave 1
  int tones[3];    // arpeggio, octaves 2-3
};
const Chord kChords[4] = {{semitone("A1"), {semitone("A2"), semitone("C3"), semitone("E3")}},
                          {semitone("F1"), {semitone("F2"), semitone("A2"), semitone("C3")}},
                          {semitone("C2"), {semitone("C3"), semitone("E3"), semitone("G3")}},
                          {semitone("G1"), {semitone("G2"), semitone("B2"), semitone("D3")}}};

// A melody of 32 two-row steps: a note, "-" to hold, "." to silence.
const char* const kMelodies[2] = {
    "A2 C3 E3 - D3 C3 B2 A2  C3 - A2 C3 F3 - E3 D3  E3 - G3 - E3 C3 D3 E3  D3 - B2 - G2 A2 B2 .",
    "E3 - - C3 A2 - E3 -  F3 - E3 - C3 - A2 -  G3 - E3 - C3 - E3 G3  D3 - B2 - D3 - . -"};

Pattern makePattern(int melody) {
  Pattern p(64 * 4);
  for (int bar = 0; bar < 4; ++bar) {
    const Chord& c = kChords[bar];
    const int bassLine[8] = {0, 0, 12, 0, 0, 0, 12, 7};
    for (int step = 0; step < 8; ++step) {
      int row = bar * 16 + step * 2;
      p[row * 4 + 0] = {c.root + bassLine[step], kBass};
      p[row * 4 + 2] = {c.tones[step % 4 == 3 ? 1 : step % 4], kArp};
      int drum = step % 4 == 0 ? kKick : step % 4 == 2 ? kSnare : kHat;
      p[row * 4 + 3] = {semitone("C2"), drum};
    }
    if (bar == 3) p[(bar * 16 + 10) * 4 + 3] = {semitone("C2"), kKick};  // a push into the next bar
  }
  p[0].effect = 0xF;  // speed: 5 ticks a row
  p[0].param = 5;
  if (melody >= 0) {
    std::string text = kMelodies[melody];
    size_t pos = 0;
    for (int step = 0; step < 32; ++step) {
      while (text[pos] == ' ') ++pos;
      size_t end = text.find(' ', pos);
      std::string token = text.substr(pos, end - pos);
      pos = end;
      Cell& cell = p[step * 2 * 4 + 1];
      if (token == ".") cell = {-1, 0, 0xC, 0};  // volume 0
      else if (token != "-") cell = {semitone(token), kLead};
    }
  }
  return p;
}

void put16be(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void putText(std::vector<uint8_t>& out, const char* text, size_t width) {
  size_t n = std::strlen(text);
  for (size_t i = 0; i < width; ++i) out.push_back(i < n ? static_cast<uint8_t>(text[i]) : 0);
}

std::vector<uint8_t> module() {
  std::vector<SampleDef> samples = makeSamples();
  std::vector<Pattern> patterns = {makePattern(-1), makePattern(0), makePattern(1)};
  const int order[] = {0, 1, 2, 1, 2};

  std::vector<uint8_t> out;
  putText(out, "korva rocks", 20);
  for (int i = 1; i <= 31; ++i) {
    if (i <= kSampleCount) {
      const SampleDef& s = samples[i];
      int words = static_cast<int>(s.data.size() / 2);
      putText(out, s.name, 22);
      put16be(out, words);
      out.push_back(0);  // finetune
      out.push_back(static_cast<uint8_t>(s.volume));
      put16be(out, 0);                   // loop start
      put16be(out, s.looped ? words : 1);  // a loop of one word means none
    } else {
      putText(out, "", 22);
      put16be(out, 0);
      out.push_back(0);
      out.push_back(0);
      put16be(out, 0);
      put16be(out, 1);
    }
  }
  out.push_back(sizeof order / sizeof order[0]);
  out.push_back(127);
  for (int i = 0; i < 128; ++i) out.push_back(i < static_cast<int>(sizeof order / sizeof order[0]) ? order[i] : 0);
  putText(out, "M.K.", 4);
  for (const Pattern& p : patterns)
    for (const Cell& c : p) {
      int period = c.semitone >= 0 ? kPeriods[c.semitone] : 0;
      out.push_back(static_cast<uint8_t>((c.sample & 0xF0) | (period >> 8)));
      out.push_back(static_cast<uint8_t>(period & 0xFF));
      out.push_back(static_cast<uint8_t>(((c.sample & 0x0F) << 4) | c.effect));
      out.push_back(static_cast<uint8_t>(c.param));
    }
  for (int i = 1; i <= kSampleCount; ++i)
    for (int8_t b : samples[i].data) out.push_back(static_cast<uint8_t>(b));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_music OUT.mod\n");
    return 2;
  }
  std::vector<uint8_t> bytes = module();
  FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "make_music: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
