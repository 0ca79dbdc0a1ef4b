// Draws the start dialog onto a canvas of its own: a caption bar, the labels, the
// connection drop-down, the games list, the name field and the two buttons, greyed when
// disabled, and the oldest message box over them.
#pragma once

#include <cstdint>

#include "multiplay/dialog/view/dialog_controller.h"
#include "multiplay/dialog/view/dialog_layout.h"

namespace korva {
class Canvas;
class Font;
}  // namespace korva

namespace korva::net {

namespace palette {
inline constexpr uint32_t kFace = 0xD4D0C8;
inline constexpr uint32_t kLight = 0xFFFFFF;
inline constexpr uint32_t kShadow = 0x808080;
inline constexpr uint32_t kDarkShadow = 0x404040;
inline constexpr uint32_t kCaption = 0x0A246A;
inline constexpr uint32_t kCaptionText = 0xFFFFFF;
inline constexpr uint32_t kText = 0x000000;
inline constexpr uint32_t kGreyText = 0x808080;
inline constexpr uint32_t kField = 0xFFFFFF;
inline constexpr uint32_t kSelection = 0x0A246A;
inline constexpr uint32_t kSelectedText = 0xFFFFFF;
}  // namespace palette

struct DialogFonts {
  Font* text = nullptr;
  Font* bold = nullptr;  // captions; the text font when null
};

void paintDialog(Canvas& canvas, const DialogLayout& layout, const DialogFonts& fonts,
                 const StartDialogModel& model, const DialogController& controller, bool caretOn);

}  // namespace korva::net
