// The multiplay module: the net commands over the one session of the program.
#include <memory>
#include <string>

#include "basic/strings.h"
#include "core/errors.h"
#include "link/modules.h"
#include "multiplay/dialog/view/window_start_dialog.h"
#include "multiplay/session/session.h"
#include "multiplay/start_dialog.h"
#include "window/runtime_window.h"

namespace korva {
namespace {

constexpr char kAlreadyStarted[] = "Multiplayer game already started";
constexpr char kNotStarted[] = "Multiplayer game not started";

std::unique_ptr<net::Session> g_session;
std::unique_ptr<net::WindowStartDialog> g_windowDialog;

net::Session& session() {
  // Commands run only between create and destroy; a session made here is a safety net.
  if (!g_session) g_session = std::make_unique<net::Session>();
  return *g_session;
}

// The text of a string argument, which the command owns and so releases.
std::string take(vxStr* s) {
  std::string text(vxStrView(s));
  vxStrRelease(s);
  return text;
}

void mustNotBeStarted() {
  if (session().started()) raiseRuntimeError(kAlreadyStarted);
}

net::Session& started() {
  net::Session& s = session();
  if (!s.started()) raiseRuntimeError(kNotStarted);
  return s;
}

int32_t StartNetGame() {
  mustNotBeStarted();
  RuntimeWindow* window = RuntimeWindow::instance();
  if (window && !window->poll()) endQuietly();
  int result = session().startWithDialog(net::startDialog());
  if (window) {
    // The dialog may have taken the screen and left the program suspended. The request
    // goes first: a suspended window's poll waits for it.
    window->post(RuntimeWindow::kResumeRequest);
    // A window closed during the dialog ends the program, as it does any waiting command.
    if (!window->poll()) endQuietly();
  }
  return session().finishStart(result);
}

int32_t HostNetGame(vxStr* gameName) {
  std::string name = take(gameName);
  mustNotBeStarted();
  return session().finishStart(session().hostGame(name));
}

int32_t JoinNetGame(vxStr* gameName, vxStr* ipAddress) {
  std::string name = take(gameName), address = take(ipAddress);
  mustNotBeStarted();
  return session().finishStart(session().joinGame(name, address));
}

void StopNetGame() {
  session().close();
  session().players().clear();
}

int32_t CreateNetPlayer(vxStr* name) {
  std::string text = take(name);
  return static_cast<int32_t>(started().createPlayer(text));
}

void DeleteNetPlayer(int32_t player) { started().deletePlayer(static_cast<uint32_t>(player)); }

vxStr* NetPlayerName(int32_t player) {
  if (player == 0) return vxStrNew("<all>");
  net::NetPlayer* p = session().players().find(static_cast<uint32_t>(player));
  return vxStrNew(p ? p->name : "<unknown>");
}

int32_t NetPlayerLocal(int32_t player) {
  net::NetPlayer* p = session().players().find(static_cast<uint32_t>(player));
  return p && !p->remote ? 1 : 0;
}

int32_t SendNetMsg(int32_t type, vxStr* msg, int32_t fromPlayer, int32_t toPlayer, int32_t reliable) {
  std::string data = take(msg);
  return started().send(type, data, static_cast<uint32_t>(fromPlayer), static_cast<uint32_t>(toPlayer),
                        reliable != 0)
             ? 1
             : 0;
}

int32_t RecvNetMsg() { return started().receive() ? 1 : 0; }
int32_t NetMsgType() { return session().message().type; }
int32_t NetMsgFrom() { return session().message().from; }
int32_t NetMsgTo() { return session().message().to; }
vxStr* NetMsgData() { return vxStrNew(session().message().data); }

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

bool multiplay_create() {
  g_session = std::make_unique<net::Session>();
  // A dialog installed already (by an embedding or a test) is kept.
  if (!net::startDialog()) {
    g_windowDialog = std::make_unique<net::WindowStartDialog>();
    net::setStartDialog(g_windowDialog.get());
  }
  return true;
}

void multiplay_destroy() {
  if (g_windowDialog && net::startDialog() == g_windowDialog.get()) net::setStartDialog(nullptr);
  g_windowDialog.reset();
  g_session.reset();
}

KORVA_MODULE_SYMBOLS(multiplay, kMultiplaySymbols)

}  // namespace korva
