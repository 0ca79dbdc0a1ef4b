/* The image commands, by link name. */
#ifndef KORVA_IMAGES_H
#define KORVA_IMAGES_H

#include "korva_guest.h"

int _floadimage(vxStr* file);
int _floadanimimage(vxStr* file, int cellWidth, int cellHeight, int first, int count);
int _fcreateimage(int width, int height, int frames);
int _fcopyimage(int image);
void _ffreeimage(int image);
int _fsaveimage(int image, vxStr* file, int frame);
void _fgrabimage(int image, int x, int y, int frame);
int _fimagebuffer(int image, int frame);

void _fdrawimage(int image, int x, int y, int frame);
void _fdrawblock(int image, int x, int y, int frame);
void _ftileimage(int image, int x, int y, int frame);
void _ftileblock(int image, int x, int y, int frame);
void _fdrawimagerect(int image, int x, int y, int rectX, int rectY, int rectWidth, int rectHeight, int frame);
void _fdrawblockrect(int image, int x, int y, int rectX, int rectY, int rectWidth, int rectHeight, int frame);

void _fmaskimage(int image, int red, int green, int blue);
void _fhandleimage(int image, int x, int y);
void _fmidhandle(int image);
void _fautomidhandle(int enable);
int _fimagewidth(int image);
int _fimageheight(int image);
int _fimagexhandle(int image);
int _fimageyhandle(int image);

int _fimagesoverlap(int image1, int x1, int y1, int image2, int x2, int y2);
int _fimagescollide(int image1, int x1, int y1, int frame1, int image2, int x2, int y2, int frame2);
int _frectsoverlap(int x1, int y1, int width1, int height1, int x2, int y2, int width2, int height2);
int _fimagerectoverlap(int image, int x, int y, int rectX, int rectY, int rectWidth, int rectHeight);
int _fimagerectcollide(int image, int x, int y, int frame, int rectX, int rectY, int rectWidth, int rectHeight);

void _ftformimage(int image, float a, float b, float c, float d);
void _fscaleimage(int image, float xScale, float yScale);
void _fresizeimage(int image, float width, float height);
void _frotateimage(int image, float angle);
void _ftformfilter(int enable);

#endif
