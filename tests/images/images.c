/* The image commands as a game uses them. The command line is "<case> <directory>": its
   first byte picks the case, the rest names the directory of the sprite sheet and of the
   pictures written. */
#include "korva_guest.h"

static vxStr* str(const char* t) { return __vxStrConst(t); }
static void logInt(int v) { _fdebuglog(__vxStrFromInt(v)); }
static void logText(const char* t) { _fdebuglog(str(t)); }
static vxStr* path(const char* name) { return __vxStrConcat(_fmid(_fcommandline(), 3, -1), str(name)); }

/* sheet.png: 16 x 16 cells on magenta, with partial cells at the right and bottom edges.
   Four frames from cell 1 on, handles in the middle. */
static void scene(void) {
  int sheet, rot, scaled, grab, spare, f;
  _fgraphics(160, 120, 0, 2);
  _fclscolor(0, 0, 64);
  _fcls();
  _ftformfilter(0);

  sheet = _floadanimimage(path("/sheet.png"), 16, 16, 1, 4);
  logInt(sheet != 0);
  _fmaskimage(sheet, 248, 0, 248);
  _fmidhandle(sheet);

  rot = _fcopyimage(sheet);
  _frotateimage(rot, 90);
  logInt(_fimagewidth(rot));
  logInt(_fimageheight(rot));
  logInt(_fimagexhandle(rot));
  logInt(_fimageyhandle(rot));
  scaled = _fcopyimage(sheet);
  _fscaleimage(scaled, 2, 2);
  logInt(_fimagewidth(scaled));
  logInt(_fimagexhandle(scaled));

  /* an animation: one frame after the other along a row */
  for (f = 0; f < 4; ++f) _fdrawimage(sheet, 20 + 30 * f, 20, f);
  _fdrawblock(sheet, 20, 50, 2);
  _fdrawimage(rot, 60, 60, 3);
  _fdrawimage(scaled, 120, 70, 0);
  _fdrawimagerect(sheet, 90, 50, 4, 4, 8, 8, 0);
  _fviewport(0, 100, 160, 20);
  _ftileimage(sheet, 0, 100, 1);
  _fviewport(0, 0, 160, 120);

  grab = _fcreateimage(16, 16, 1);
  _fgrabimage(grab, 20, 20, 0);
  _fdrawblock(grab, 136, 0, 0);

  /* collisions, at the handle points */
  logInt(_fimagescollide(sheet, 40, 40, 0, sheet, 46, 42, 1));
  logInt(_fimagescollide(sheet, 40, 40, 0, sheet, 52, 40, 1));
  logInt(_fimagesoverlap(sheet, 40, 40, sheet, 52, 40));
  logInt(_fimagescollide(sheet, 40, 40, 2, scaled, 50, 50, 0));
  logInt(_fimagescollide(rot, 10, 10, 3, sheet, 12, 14, 0));
  logInt(_fimagescollide(rot, 10, 10, 3, sheet, 20, 26, 3));
  logInt(_fimagerectcollide(sheet, 0, 0, 3, -8, -8, 3, 3));
  logInt(_fimagerectcollide(sheet, 0, 0, 3, -2, -2, 2, 2));
  logInt(_frectsoverlap(0, 0, 10, 10, 10, 0, 10, 10));

  logInt(_fsaveimage(sheet, path("/frame2.bmp"), 2));
  spare = _fcreateimage(10, 10, 1);
  _fsetbuffer(_fimagebuffer(spare, 0));
  _ffreeimage(spare);
  logInt(_fgraphicsbuffer() == _ffrontbuffer());
  logInt(_fsavebuffer(_ffrontbuffer(), path("/scene.bmp")));
}

/* Each ends the program with its message; "went on" shows that it did not. */
static void fault(char which) {
  int image = _fcreateimage(8, 8, 2);
  switch (which) {
    case 'i': _fdrawimage(image + 1000, 0, 0, 0); break;
    case 'f': _fdrawimage(image, 0, 0, 2); break;
    case 'n': _floadanimimage(path("/sheet.png"), 16, 16, 5, 2); break;
    case 'c': _floadanimimage(path("/sheet.png"), 16, 16, 0, 0); break;
    case 's': _fscaleimage(image, 0, 1); break;
  }
  logText("went on");
}

void __MAIN(void) {
  char which = (char)_fasc(_fcommandline());
  if (which == 'p')
    scene();
  else
    fault(which);
}
