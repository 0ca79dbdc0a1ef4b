/* The test game's picture, shared by the game and the test that reads it back: every pixel
   differs from each of its eight neighbours in at least one channel. */
#ifndef PLAYER_PATTERN_H
#define PLAYER_PATTERN_H

static inline int playerPattern(int x, int y) {
  int red = (x * 67 + y * 13) & 0xFF;
  int green = (y * 71 + x * 7) & 0xFF;
  int blue = ((x & 1) ? 0xC0 : 0x40) ^ ((y & 1) ? 0x30 : 0x00);
  return (int)(0xFF000000u | (unsigned)(red << 16) | (unsigned)(green << 8) | (unsigned)blue);
}

#endif
