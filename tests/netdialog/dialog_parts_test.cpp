// The dialog's layout from dialog units, and typed text turned into the font's bytes.
#include <gtest/gtest.h>

#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "multiplay/dialog/view/dialog_controller.h"
#include "multiplay/dialog/view/dialog_layout.h"
#include "multiplay/dialog/view/window_start_dialog.h"

namespace korva::test {
namespace {

using net::DialogLayout;

bool within(const Rect& inner, const Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom && !inner.empty();
}
bool overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(DialogLayout, DialogUnitsFollowTheFontsBaseUnits) {
  // The original's 8-point font: 190 x 199 units are 285 x 323 pixels.
  DialogLayout l = net::makeDialogLayout(6, 13);
  EXPECT_EQ(l.client.width(), 285);
  EXPECT_EQ(l.client.height(), 323);
  EXPECT_EQ(l.width, l.client.width() + 2 * l.frame);
  EXPECT_EQ(l.height, l.caption.height() + l.client.height() + 2 * l.frame);
}

TEST(DialogLayout, ControlsStayInsideTheClientAreaApartAtEveryFontSize) {
  for (int baseX = 3; baseX <= 10; ++baseX) {
    for (int baseY = 8; baseY <= 20; ++baseY) {
      SCOPED_TRACE(std::to_string(baseX) + " x " + std::to_string(baseY));
      DialogLayout l = net::makeDialogLayout(baseX, baseY);
      const Rect controls[] = {l.connectionLabel, l.connections, l.gamesLabel, l.games,
                               l.nameLabel,       l.name,        l.create,     l.cancel};
      for (size_t i = 0; i < std::size(controls); ++i) {
        EXPECT_TRUE(within(controls[i], l.client)) << i;
        for (size_t j = i + 1; j < std::size(controls); ++j) EXPECT_FALSE(overlap(controls[i], controls[j])) << i << " " << j;
      }
      EXPECT_GE(l.visibleGameRows(), 4);
      EXPECT_TRUE(within(l.gameRow(l.visibleGameRows() - 1), l.games));
      Rect box = l.messageBox(400);
      EXPECT_TRUE(within(l.messageOk(box), box));
      EXPECT_TRUE(within(l.messageText(box), box));
    }
  }
}

TEST(DialogLayout, TheDialogFitsTheDefaultGraphicsWindowUnscaled) {
  auto device = GraphicsDevice::create(nullptr, 512, 64, PixelLayout::xrgb8888(), true);
  ASSERT_NE(device, nullptr);
  Font* font = device->loadFont(net::kDialogFontName, net::kDialogFontHeight, 0);
  ASSERT_NE(font, nullptr);
  int baseX = static_cast<int>((font->stringWidth("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2);
  DialogLayout l = net::makeDialogLayout(baseX, font->height());
  EXPECT_LE(l.width, 400);
  EXPECT_LE(l.height, 300);
  // Every text fits its control.
  EXPECT_LE(font->stringWidth(net::kCreateButton) + 8, l.create.width());
  EXPECT_LE(font->stringWidth(net::kNoConnection) + 2 * l.inset, l.connections.width() - l.connections.height());
}

TEST(DialogText, TypedTextBecomesTheFontsBytes) {
  const std::pair<const char*, const char*> cases[] = {
      {"plain text", "plain text"},
      {"caf\xC3\xA9", "caf\xE9"},              // Latin-1 range
      {"\xE2\x82\xAC 5", "\x80 5"},            // the euro sign has a byte of its own
      {"smile \xF0\x9F\x98\x80", "smile "},    // no byte for it
      {"tab\there\n", "tabhere"},              // control characters are not text
      {"cut \xC3", "cut "},                    // a character cut short
      {"a\xFF\x80z", "az"},                    // bytes that start no character
  };
  for (auto [typed, bytes] : cases) EXPECT_EQ(net::toWindows1252(typed), bytes) << typed;
}

}  // namespace
}  // namespace korva::test
