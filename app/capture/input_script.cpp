#include "app/capture/input_script.h"

#include <SDL2/SDL_scancode.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "window/scancodes.h"

namespace korva::capture {
namespace {

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

template <typename T>
bool number(std::string_view word, T& out) {
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), out);
  return ec == std::errc() && end == word.data() + word.size();
}

bool keyHasScancode(int code) {
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
    if (keyCodeForScancode(static_cast<SDL_Scancode>(sc)) == code) return true;
  return false;
}

// The action on one line, or the reason it is not one.
std::string parseLine(const std::vector<std::string_view>& w, InputAction& action) {
  if (w.size() < 3) return "expected '<frame> key|mouse ...'";
  if (!number(w[0], action.frame) || action.frame < 0) return "the frame must be a whole number from 0 up";
  if (w[1] == "key") {
    if (w.size() != 4 || (w[2] != "down" && w[2] != "up")) return "expected '<frame> key down|up <keycode>'";
    if (!number(w[3], action.a) || action.a < 1 || action.a > 255) return "the key code must be from 1 to 255";
    if (!keyHasScancode(action.a)) return "no key has code " + std::string(w[3]);
    action.kind = w[2] == "down" ? InputAction::KeyDown : InputAction::KeyUp;
    return {};
  }
  if (w[1] != "mouse") return "expected 'key' or 'mouse' after the frame";
  if (w[2] == "move") {
    if (w.size() != 5) return "expected '<frame> mouse move <x> <y>'";
    if (!number(w[3], action.a) || !number(w[4], action.b)) return "the mouse position must be two whole numbers";
    action.kind = InputAction::MouseMove;
    return {};
  }
  if (w.size() != 4 || (w[2] != "down" && w[2] != "up")) return "expected '<frame> mouse down|up <button>' or '<frame> mouse move <x> <y>'";
  if (!number(w[3], action.a) || action.a < 1 || action.a > 3) return "the mouse button must be 1, 2 or 3";
  action.kind = w[2] == "down" ? InputAction::MouseDown : InputAction::MouseUp;
  return {};
}

}  // namespace

InputScript parseInputScript(std::string_view text, const std::string& source) {
  InputScript script;
  size_t lineNo = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNo;
    std::string_view content = line.substr(0, line.find('#'));
    auto w = words(content);
    if (w.empty()) continue;
    InputAction action;
    std::string why = parseLine(w, action);
    if (!why.empty()) {
      std::string shown(line.substr(0, 80));
      while (!shown.empty() && (shown.back() == '\r' || shown.back() == ' ')) shown.pop_back();
      script.actions.clear();
      script.error = source + ":" + std::to_string(lineNo) + ": " + why + ": " + shown;
      return script;
    }
    script.actions.push_back(action);
  }
  std::stable_sort(script.actions.begin(), script.actions.end(),
                   [](const InputAction& l, const InputAction& r) { return l.frame < r.frame; });
  return script;
}

InputScript loadInputScript(const std::string& path) {
  std::error_code ec;
  std::ifstream file;
  if (std::filesystem::is_regular_file(path, ec)) file.open(path, std::ios::binary);
  if (!file.is_open()) {
    InputScript script;
    script.error = path + ": cannot read the input script";
    return script;
  }
  std::string text(std::istreambuf_iterator<char>(file), {});
  return parseInputScript(text, path);
}

}  // namespace korva::capture
