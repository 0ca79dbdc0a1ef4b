/* The graphics module's commands, by link name. */
#ifndef KORVA_GRAPHICS_H
#define KORVA_GRAPHICS_H

#include "korva_guest.h"

int _fcountgfxdrivers(void);
vxStr* _fgfxdrivername(int driver);
int _fgfxdriver3d(int driver);
void _fsetgfxdriver(int driver);
int _fcountgfxmodes(void);
int _fgfxmodewidth(int mode);
int _fgfxmodeheight(int mode);
int _fgfxmodedepth(int mode);
int _fgfxmode3d(int mode);
int _fwindowed3d(void);
int _ffindgfxmode(int width, int height, int depth, int gfx3d);
int _fgfxmodeexists(int width, int height, int depth, int gfx3d);
int _ftotalvidmem(void);
int _favailvidmem(void);

void _fgraphics(int width, int height, int depth, int mode);
void _fendgraphics(void);
int _ffrontbuffer(void);
int _fbackbuffer(void);
int _fgraphicsbuffer(void);
void _fsetbuffer(int buffer);
int _floadbuffer(int buffer, vxStr* file);
int _fsavebuffer(int buffer, vxStr* file);
void _flockbuffer(int buffer);
void _funlockbuffer(int buffer);
int _fscanline(void);
void _fvwait(int frames);
void _fflip(int vwait);
int _fgraphicswidth(void);
int _fgraphicsheight(void);
int _fgraphicsdepth(void);

int _freadpixel(int x, int y, int buffer);
void _fwritepixel(int x, int y, int argb, int buffer);
int _freadpixelfast(int x, int y, int buffer);
void _fwritepixelfast(int x, int y, int argb, int buffer);
void _fcopypixel(int srcX, int srcY, int srcBuffer, int destX, int destY, int destBuffer);
void _fcopypixelfast(int srcX, int srcY, int srcBuffer, int destX, int destY, int destBuffer);

void _forigin(int x, int y);
void _fviewport(int x, int y, int width, int height);
void _fcolor(int red, int green, int blue);
void _fgetcolor(int x, int y);
int _fcolorred(void);
int _fcolorgreen(void);
int _fcolorblue(void);
void _fclscolor(int red, int green, int blue);
void _fsetfont(int font);
void _fcls(void);
void _fplot(int x, int y);
void _fline(int x1, int y1, int x2, int y2);
void _frect(int x, int y, int width, int height, int solid);
void _foval(int x, int y, int width, int height, int solid);
void _ftext(int x, int y, vxStr* text, int centreX, int centreY);
void _fcopyrect(int sourceX, int sourceY, int width, int height, int destX, int destY, int srcBuffer, int destBuffer);

int _floadfont(vxStr* name, int height, int bold, int italic, int underline);
void _ffreefont(int font);
int _ffontwidth(void);
int _ffontheight(void);
int _fstringwidth(vxStr* text);
int _fstringheight(vxStr* text);

#endif
