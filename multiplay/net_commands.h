// The net commands of the multiplay module, over the one session of the program, and the
// module's start and end.
#pragma once
#include <cstdint>

namespace korva {
class RunContext;
struct vxStr;
}  // namespace korva

namespace korva::multiplay {

int32_t StartNetGame();
int32_t HostNetGame(vxStr* gameName);
int32_t JoinNetGame(vxStr* gameName, vxStr* ipAddress);
void StopNetGame();
int32_t CreateNetPlayer(vxStr* name);
void DeleteNetPlayer(int32_t player);
vxStr* NetPlayerName(int32_t player);
int32_t NetPlayerLocal(int32_t player);
int32_t SendNetMsg(int32_t type, vxStr* msg, int32_t fromPlayer, int32_t toPlayer, int32_t reliable);
int32_t RecvNetMsg();
int32_t NetMsgType();
int32_t NetMsgFrom();
int32_t NetMsgTo();
vxStr* NetMsgData();

// The session for a run, with the start dialog shown in its window unless one is installed
// already (by an embedding or a test); and its end.
bool startSession(RunContext& run);
void endSession();

}  // namespace korva::multiplay
