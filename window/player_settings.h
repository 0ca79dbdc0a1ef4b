// What the player chose for the window: how the game's picture is scaled, whether the
// window takes the whole screen, and which game it is (for its settings file and its
// screenshots). The command line's options set the same environment variables that a
// bundled game's player sets, so both reach the window the same way:
//   KORVA_SCALE      N: the window starts at N times the game's size (as far as it fits)
//   KORVA_FULLSCREEN 1: the desktop's full screen; 0: a window (over what was remembered)
//   KORVA_SCALING    integer | fit | stretch
//   KORVA_FILTER     nearest | linear
//   KORVA_GAME       the game's name (korva sets it from the program's file name)
#pragma once
#include <string>

namespace korva {

enum class Scaling {
  kInteger,  // the largest whole multiple that fits, centred, black borders
  kFit,      // the largest size of the same shape that fits, centred, black borders
  kStretch,  // over the whole window
};

enum class Filter { kChosenByScaling, kNearest, kLinear };

struct PlayerSettings {
  int scale = 1;
  int fullScreen = -1;  // -1: not chosen here (the settings file decides), 0 no, 1 yes
  Scaling scaling = Scaling::kInteger;
  Filter filter = Filter::kChosenByScaling;
  std::string game;

  // Whether the picture is smoothed when scaled: fit is, the others keep hard pixels,
  // unless the filter says otherwise.
  bool smooth(Scaling used) const {
    return filter == Filter::kChosenByScaling ? used == Scaling::kFit : filter == Filter::kLinear;
  }
};

inline constexpr int kMaxScale = 16;

// Each false, leaving the value alone, when the text is not one the option takes.
bool parseScale(const std::string& text, int& scale);  // 1..kMaxScale
bool parseScaling(const std::string& text, Scaling& scaling);
bool parseFilter(const std::string& text, Filter& filter);
bool parseOnOff(const std::string& text, int& value);  // 1, 0, yes, no, on, off

// From the environment; a value that does not parse is left out, with a line on stderr.
PlayerSettings playerSettingsFromEnvironment();

}  // namespace korva
