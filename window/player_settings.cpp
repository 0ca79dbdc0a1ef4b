#include "window/player_settings.h"

#include <cstdio>
#include <cstdlib>

namespace korva {

bool parseScale(const std::string& text, int& scale) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const int value = std::stoi(text);
  if (value < 1 || value > kMaxScale) return false;
  scale = value;
  return true;
}

bool parseScaling(const std::string& text, Scaling& scaling) {
  if (text == "integer") {
    scaling = Scaling::kInteger;
  } else if (text == "fit") {
    scaling = Scaling::kFit;
  } else if (text == "stretch") {
    scaling = Scaling::kStretch;
  } else {
    return false;
  }
  return true;
}

bool parseFilter(const std::string& text, Filter& filter) {
  if (text == "nearest") {
    filter = Filter::kNearest;
  } else if (text == "linear") {
    filter = Filter::kLinear;
  } else {
    return false;
  }
  return true;
}

bool parseOnOff(const std::string& text, int& value) {
  if (text == "1" || text == "yes" || text == "on") {
    value = 1;
  } else if (text == "0" || text == "no" || text == "off") {
    value = 0;
  } else {
    return false;
  }
  return true;
}

PlayerSettings playerSettingsFromEnvironment() {
  PlayerSettings s;
  auto take = [](const char* name, const char* expected, auto parse, auto& into) {
    const char* value = std::getenv(name);
    if (!value || !*value) return;
    if (!parse(value, into)) std::fprintf(stderr, "korva: %s=%s is not %s; ignored\n", name, value, expected);
  };
  take("KORVA_SCALE", "a scale from 1 to 16", parseScale, s.scale);
  take("KORVA_FULLSCREEN", "1 or 0", parseOnOff, s.fullScreen);
  take("KORVA_SCALING", "integer, fit or stretch", parseScaling, s.scaling);
  take("KORVA_FILTER", "nearest or linear", parseFilter, s.filter);
  if (const char* game = std::getenv("KORVA_GAME")) s.game = game;
  return s;
}

}  // namespace korva
