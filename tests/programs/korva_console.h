/* The text console's commands, by link name. */
#ifndef KORVA_CONSOLE_H
#define KORVA_CONSOLE_H

#include "korva_guest.h"

void _fwrite(vxStr* text);
void _fprint(vxStr* text);
vxStr* _finput(vxStr* prompt);
void _flocate(int x, int y);

#endif
