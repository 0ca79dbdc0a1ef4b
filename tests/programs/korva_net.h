/* The multiplay module's commands, by link name, for test programs. */
#ifndef KORVA_NET_H
#define KORVA_NET_H

#include "korva_guest.h"

int _fstartnetgame(void);
int _fhostnetgame(vxStr* game_name);
int _fjoinnetgame(vxStr* game_name, vxStr* ip_address);
void _fstopnetgame(void);
int _fcreatenetplayer(vxStr* name);
void _fdeletenetplayer(int player);
vxStr* _fnetplayername(int player);
int _fnetplayerlocal(int player);
int _fsendnetmsg(int type, vxStr* msg, int from_player, int to_player, int reliable);
int _frecvnetmsg(void);
int _fnetmsgtype(void);
int _fnetmsgfrom(void);
int _fnetmsgto(void);
vxStr* _fnetmsgdata(void);

#endif
