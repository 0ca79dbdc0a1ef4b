/* The bundled example: a picture drawn with the graphics commands on a loaded PNG
   landscape, shown in a window and saved as a BMP file.

   Command line: MODE OUTPUT ASSET
     MODE    "show" keeps the window up until a key, a click or six seconds have passed;
             "save" only draws and saves
     OUTPUT  the BMP file to write
     ASSET   the PNG landscape to draw on (examples/assets/landscape.png)
   Paths must not contain blanks. What happened is reported through DebugLog (korva --debug). */
#include "korva_guest.h"

static vxStr* g_line;
static vxStr* text(const char* s) { return __vxStrConst(s); }
static vxStr* line(void) { return __vxStrLoad(&g_line); }
static void say(const char* label, vxStr* value) { _fdebuglog(__vxStrConcat(text(label), value)); }

/* The n-th blank-separated word of the command line (from 1), or "". */
static vxStr* word(int n) {
  int start = 1, end, i;
  for (i = 1; i < n; ++i) {
    int blank = _finstr(line(), text(" "), start);
    if (!blank) return text("");
    start = blank + 1;
  }
  end = _finstr(line(), text(" "), start);
  return end ? _fmid(line(), start, end - start) : _fmid(line(), start, -1);
}

static void house(int x, int y) {
  int i;
  _fcolor(196, 92, 64);
  _frect(x, y, 140, 100, 1);
  /* the roof: a fan of lines from the ridge fills the triangle */
  _fcolor(120, 40, 36);
  for (i = 0; i <= 170; ++i) _fline(x + 70, y - 70, x - 15 + i, y);
  _fcolor(90, 60, 40);
  _frect(x + 55, y + 40, 30, 60, 1);
  _fcolor(250, 240, 170);
  _frect(x + 15, y + 25, 28, 24, 1);
  _frect(x + 97, y + 25, 28, 24, 1);
  _fcolor(60, 40, 30);
  _frect(x + 15, y + 25, 28, 24, 0);
  _frect(x + 97, y + 25, 28, 24, 0);
  _fline(x + 29, y + 25, x + 29, y + 49);
  _fline(x + 15, y + 37, x + 43, y + 37);
  _fline(x + 111, y + 25, x + 111, y + 49);
  _fline(x + 97, y + 37, x + 125, y + 37);
  _fplot(x + 78, y + 72); /* the door knob */
}

static void tree(int x, int y, int size) {
  _fcolor(96, 64, 40);
  _frect(x - size / 8, y - size / 2, size / 4, size / 2 + 4, 1);
  _fcolor(40, 120, 48);
  _foval(x - size / 2, y - size * 3 / 2, size, size, 1);
  _fcolor(64, 150, 64);
  _foval(x - size / 3, y - size * 3 / 2 + 6, size / 2, size / 2, 1);
  _fcolor(24, 90, 36);
  _foval(x - size / 2, y - size * 3 / 2, size, size, 0);
}

static void cloud(int x, int y) {
  _fcolor(240, 244, 250);
  _foval(x, y + 10, 70, 30, 1);
  _foval(x + 20, y, 60, 36, 1);
  _foval(x + 50, y + 8, 60, 30, 1);
}

static void bird(int x, int y) {
  _fcolor(30, 30, 40);
  _fline(x - 8, y - 4, x, y);
  _fline(x, y, x + 8, y - 5);
}

/* A lake that mirrors the sky above it, one row at a time, with ripples of light. */
static void lake(int x, int y, int width, int height) {
  int i;
  for (i = 0; i < height; ++i) _fcopyrect(x, y - 1 - i * 3, width, 1, x, y + i, 0, 0);
  _fcolor(200, 220, 255);
  for (i = 6; i < height; i += 9) _fline(x + 20 + (i * 7) % 60, y + i, x + width - 30 - (i * 5) % 50, y + i);
  _fcolor(30, 50, 70);
  _frect(x, y, width, height, 0);
}

/* A band of colour written pixel by pixel along the bottom edge. */
static void rainbow(int y, int height) {
  int x, row;
  for (x = 0; x < 640; ++x) {
    int phase = x * 6 * 256 / 640, part = phase / 256, f = phase % 256, r, g, b;
    switch (part) {
      case 0: r = 255; g = f; b = 0; break;
      case 1: r = 255 - f; g = 255; b = 0; break;
      case 2: r = 0; g = 255; b = f; break;
      case 3: r = 0; g = 255 - f; b = 255; break;
      case 4: r = f; g = 0; b = 255; break;
      default: r = 255; g = 0; b = 255 - f; break;
    }
    for (row = 0; row < height; ++row) _fwritepixel(x, y + row, (int)(0xFF000000u | (r << 16) | (g << 8) | b), 0);
  }
}

void __MAIN(void) {
  vxStr* output;
  int title, small, i;
  __vxStrStore(&g_line, _fcommandline());
  output = word(2);

  _fgraphics(640, 480, 0, 2);
  _fsetbuffer(_fbackbuffer());
  if (!_floadbuffer(_fbackbuffer(), word(3))) {
    say("Could not load the landscape picture ", word(3));
    _fclscolor(60, 110, 170);
    _fcls();
  }

  _fcolor(255, 250, 215);
  _foval(462, 42, 106, 106, 0);
  _fcolor(255, 236, 140);
  _foval(470, 50, 90, 90, 1);
  cloud(60, 70);
  cloud(300, 40);
  bird(250, 130);
  bird(275, 120);
  bird(300, 138);

  house(110, 300);
  tree(330, 420, 70);
  tree(390, 440, 50);
  lake(420, 392, 200, 64);
  for (i = 0; i < 24; ++i) { /* flowers */
    int x = 16 + (i * 37) % 280, y = 410 + (i * 23) % 34;
    _fcolor(255, 120 + (i * 40) % 130, 160 + (i * 20) % 90);
    _foval(x - 3, y - 3, 7, 7, 1);
    _fcolor(255, 230, 60);
    _fplot(x, y);
  }
  rainbow(472, 8);

  title = _floadfont(text("courier"), 28, 1, 0, 0);
  small = _floadfont(text("courier"), 14, 0, 0, 0);
  _fsetfont(title);
  _fcolor(20, 24, 60);
  _ftext(322, 14, text("Korva draws a picture"), 1, 0);
  _fcolor(255, 255, 255);
  _ftext(320, 12, text("Korva draws a picture"), 1, 0);
  _fsetfont(small);
  _fcolor(255, 255, 255);
  _ftext(10, 452, text("Rect Oval Line Plot WritePixel CopyRect Text LoadBuffer"), 0, 0);

  _fflip(1);
  if (_fsavebuffer(_fbackbuffer(), __vxStrLoad(&output)))
    say("Saved the picture to ", output);
  else
    say("Could not save the picture to ", output);

  if (_fasc(word(1)) == 's' && _fasc(_fmid(word(1), 2, 1)) == 'h') {
    int start = _fmillisecs();
    while (_fmillisecs() - start < 6000 && !_fgetkey() && !_fmousehit(1)) _fflip(1);
  }
}
