// The stream module: values on any stream, and TCP connections and servers.
#include "link/modules.h"
#include "io/commands.h"
#include "io/tcp/tcp.h"

namespace korva {
namespace {

using namespace io;

const SymbolDef kSymbols[] = {
    KORVA_ROUTINE("%Eof%stream", Eof),
    KORVA_ROUTINE("%ReadAvail%stream", ReadAvail),
    KORVA_ROUTINE("%ReadByte%stream", ReadByte),
    KORVA_ROUTINE("%ReadShort%stream", ReadShort),
    KORVA_ROUTINE("%ReadInt%stream", ReadInt),
    KORVA_ROUTINE("#ReadFloat%stream", ReadFloat),
    KORVA_ROUTINE("$ReadString%stream", ReadString),
    KORVA_ROUTINE("$ReadLine%stream", ReadLine),
    KORVA_ROUTINE("WriteByte%stream%byte", WriteByte),
    KORVA_ROUTINE("WriteShort%stream%short", WriteShort),
    KORVA_ROUTINE("WriteInt%stream%int", WriteInt),
    KORVA_ROUTINE("WriteFloat%stream#float", WriteFloat),
    KORVA_ROUTINE("WriteString%stream$string", WriteString),
    KORVA_ROUTINE("WriteLine%stream$string", WriteLine),
    KORVA_ROUTINE("%OpenTCPStream$server%port", OpenTCPStream),
    KORVA_ROUTINE("CloseTCPStream%tcp_stream", CloseTCPStream),
    KORVA_ROUTINE("%CreateTCPServer%port", CreateTCPServer),
    KORVA_ROUTINE("CloseTCPServer%tcp_server", CloseTCPServer),
    KORVA_ROUTINE("%AcceptTCPStream%tcp_server", AcceptTCPStream),
};

}  // namespace

// Sockets need no start-up here, so creation always succeeds.
bool stream_create() { return true; }
void stream_destroy() { closeAllTcp(); }

KORVA_MODULE_SYMBOLS(stream, kSymbols)

}  // namespace korva
