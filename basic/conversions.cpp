// The number/text conversions every module prints and parses with.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "basic/internal.h"
#include "basic/strings.h"

namespace korva {
namespace {
inline bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
}  // namespace

std::string intToText(int32_t v) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

int32_t textToInt(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && isBlank(t[i])) ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  uint32_t v = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) v = v * 10 + uint32_t(t[i] - '0');
  return static_cast<int32_t>(neg ? 0u - v : v);
}

float textToFloat(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && isBlank(t[i])) ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  auto digits = [&](size_t& k) {
    size_t from = k;
    while (k < t.size() && t[k] >= '0' && t[k] <= '9') ++k;
    return k - from;
  };
  size_t start = i, end = i;
  size_t n = digits(end);
  if (end < t.size() && t[end] == '.') {
    ++end;
    n += digits(end);
  }
  if (n == 0) return 0.f;
  if (end < t.size() && (t[end] == 'e' || t[end] == 'E')) {
    size_t k = end + 1;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
    if (digits(k)) end = k;
  }
  double d = 0;
  auto r = std::from_chars(t.data() + start, t.data() + end, d, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // from_chars leaves d alone; strtod tells overflow from underflow.
    std::string copy(t.substr(start, end - start));
    d = std::strtod(copy.c_str(), nullptr);
  }
  return basic::toFloat(neg ? -d : d);
}

std::string floatToText(float x) {
  uint32_t bits = std::bit_cast<uint32_t>(x);
  bool neg = bits >> 31;
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return neg ? "-INFINITY" : "INFINITY";
  if ((bits & 0x7FFFFFFF) == 0) return neg ? "-0.000000" : "0.000000";

  char buf[64];
  const float low = std::bit_cast<float>(0x358637BDu);
  if (x >= low && x <= 9999999.0f) {
    auto r = std::to_chars(buf, buf + sizeof buf, double(x), std::chars_format::fixed, 6);
    return std::string(buf, r.ptr);
  }
  // Seven significant digits; the exponent is that of the rounded value, as %g reads it.
  double a = std::fabs(double(x));
  auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 6);
  std::string_view sci(buf, r.ptr - buf);
  size_t e = sci.find('e');
  int d = 0;
  std::from_chars(sci.data() + e + 2, sci.data() + sci.size(), d);
  if (sci[e + 1] == '-') d = -d;

  std::string out = neg ? "-" : "";
  // Only zeros after the point go, and the point always stays: with no digits after it
  // the fixed form has none, and trimming "1000000" would eat the integer part.
  auto appendTrimmed = [&out](std::string_view s) {
    size_t point = s.find('.');
    if (point == std::string_view::npos) {
      out += s;
      out += '.';
      return;
    }
    size_t end = s.size();
    while (end > point + 1 && s[end - 1] == '0') --end;
    out += s.substr(0, end);
  };
  if (d < -1 || d > 6) {
    appendTrimmed(sci.substr(0, e));
    out += 'e';
    out += d < 0 ? '-' : '+';
    std::string ex = std::to_string(d < 0 ? -d : d);
    if (ex.size() < 3) out.append(3 - ex.size(), '0');
    out += ex;
  } else {
    char fixed[64];
    auto f = std::to_chars(fixed, fixed + sizeof fixed, a, std::chars_format::fixed, 6 - d);
    appendTrimmed(std::string_view(fixed, f.ptr - fixed));
  }
  return out;
}

namespace basic {

// Above FLT_MAX by at least half an ulp rounds to infinity; converting such a double
// directly is undefined.
float toFloat(double d) {
  if (!std::isnan(d) && std::fabs(d) >= 0x1.ffffffp127)
    return std::signbit(d) ? -INFINITY : INFINITY;
  return static_cast<float>(d);
}

}  // namespace basic
}  // namespace korva
