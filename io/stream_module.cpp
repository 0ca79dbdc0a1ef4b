// The stream module: values on any stream, and TCP connections and servers.
#include "link/module.h"
#include "io/commands.h"
#include "io/io_run.h"
#include "io/tcp/tcp.h"
#include "run/run_context.h"

namespace korva {
namespace {

using namespace io;

const SymbolDef kStreamSymbols[] = {
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

RunContext* g_streamRun = nullptr;

// Sockets need no start-up here; the run is kept for the waits.
bool startStreams(RunContext& run) {
  g_streamRun = &run;
  return true;
}

void endStreams() {
  stream_destroy();
  g_streamRun = nullptr;
}

}  // namespace

void stream_destroy() { io::closeAllTcp(); }

namespace io {
void pollOrEnd() {
  if (g_streamRun) g_streamRun->pollOrEnd();
}
}  // namespace io

KORVA_MODULE(stream, kStreamSymbols, startStreams, endStreams)

}  // namespace korva
