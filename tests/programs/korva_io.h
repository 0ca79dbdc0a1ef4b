/* The stream, filesystem and bank commands by their link names, for test programs. */
#ifndef KORVA_IO_H
#define KORVA_IO_H

#include "korva_guest.h"

int _feof(int stream);
int _freadavail(int stream);
int _freadbyte(int stream);
int _freadshort(int stream);
int _freadint(int stream);
float _freadfloat(int stream);
vxStr* _freadstring(int stream);
vxStr* _freadline(int stream);
void _fwritebyte(int stream, int value);
void _fwriteshort(int stream, int value);
void _fwriteint(int stream, int value);
void _fwritefloat(int stream, float value);
void _fwritestring(int stream, vxStr* text);
void _fwriteline(int stream, vxStr* text);
int _fopentcpstream(vxStr* server, int port);
void _fclosetcpstream(int stream);
int _fcreatetcpserver(int port);
void _fclosetcpserver(int server);
int _faccepttcpstream(int server);

int _fopenfile(vxStr* name);
int _freadfile(vxStr* name);
int _fwritefile(vxStr* name);
void _fclosefile(int file);
int _ffilepos(int file);
int _fseekfile(int file, int pos);
int _freaddir(vxStr* name);
void _fclosedir(int dir);
vxStr* _fnextfile(int dir);
vxStr* _fcurrentdir(void);
void _fchangedir(vxStr* dir);
void _fcreatedir(vxStr* dir);
void _fdeletedir(vxStr* dir);
int _ffilesize(vxStr* name);
int _ffiletype(vxStr* name);
void _fcopyfile(vxStr* from, vxStr* to);
void _fdeletefile(vxStr* name);

int _fcreatebank(int size);
void _ffreebank(int bank);
int _fbanksize(int bank);
void _fresizebank(int bank, int size);
void _fcopybank(int src, int srcOffset, int dest, int destOffset, int count);
int _fpeekbyte(int bank, int offset);
int _fpeekshort(int bank, int offset);
int _fpeekint(int bank, int offset);
float _fpeekfloat(int bank, int offset);
void _fpokebyte(int bank, int offset, int value);
void _fpokeshort(int bank, int offset, int value);
void _fpokeint(int bank, int offset, int value);
void _fpokefloat(int bank, int offset, float value);
int _freadbytes(int bank, int stream, int offset, int count);
int _fwritebytes(int bank, int stream, int offset, int count);

#endif
