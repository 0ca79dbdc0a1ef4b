// The multiplay module: the net commands as it registers them.
#include "link/module.h"
#include "multiplay/net_commands.h"

namespace korva {
namespace {

using namespace multiplay;

const SymbolDef kMultiplaySymbols[] = {
    KORVA_ROUTINE("%StartNetGame", StartNetGame),
    KORVA_ROUTINE("%HostNetGame$game_name", HostNetGame),
    KORVA_ROUTINE("%JoinNetGame$game_name$ip_address", JoinNetGame),
    KORVA_ROUTINE("StopNetGame", StopNetGame),
    KORVA_ROUTINE("%CreateNetPlayer$name", CreateNetPlayer),
    KORVA_ROUTINE("DeleteNetPlayer%player", DeleteNetPlayer),
    KORVA_ROUTINE("$NetPlayerName%player", NetPlayerName),
    KORVA_ROUTINE("%NetPlayerLocal%player", NetPlayerLocal),
    KORVA_ROUTINE("%SendNetMsg%type$msg%from_player%to_player=0%reliable=1", SendNetMsg),
    KORVA_ROUTINE("%RecvNetMsg", RecvNetMsg),
    KORVA_ROUTINE("%NetMsgType", NetMsgType),
    KORVA_ROUTINE("%NetMsgFrom", NetMsgFrom),
    KORVA_ROUTINE("%NetMsgTo", NetMsgTo),
    KORVA_ROUTINE("$NetMsgData", NetMsgData),
};

}  // namespace

KORVA_MODULE(multiplay, kMultiplaySymbols, startSession, endSession)

}  // namespace korva
