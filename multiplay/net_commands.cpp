// The net commands over the one session of the program.
#include "multiplay/net_commands.h"

#include <memory>
#include <string>

#include "basic/strings.h"
#include "core/errors.h"
#include "multiplay/dialog/view/window_start_dialog.h"
#include "multiplay/session/session.h"
#include "multiplay/start_dialog.h"
#include "run/run_context.h"

namespace korva::multiplay {
namespace {

constexpr char kAlreadyStarted[] = "Multiplayer game already started";
constexpr char kNotStarted[] = "Multiplayer game not started";

std::unique_ptr<net::Session> g_session;
std::unique_ptr<net::WindowStartDialog> g_windowDialog;
RunContext* g_run = nullptr;

net::Session& session() {
  // Commands run only between create and destroy; a session made here is a safety net.
  if (!g_session) g_session = std::make_unique<net::Session>();
  return *g_session;
}

void mustNotBeStarted() {
  if (session().started()) raiseRuntimeError(kAlreadyStarted);
}

net::Session& started() {
  net::Session& s = session();
  if (!s.started()) raiseRuntimeError(kNotStarted);
  return s;
}

}  // namespace

int32_t StartNetGame() {
  mustNotBeStarted();
  if (g_run) g_run->pollOrEnd();
  int result = session().startWithDialog(net::startDialog());
  if (g_run) {
    // The dialog may have taken the screen and left the program suspended. The request
    // goes first: a suspended run's poll waits for it.
    g_run->postResume();
    // A window closed during the dialog ends the program, as it does any waiting command.
    g_run->pollOrEnd();
  }
  return session().finishStart(result);
}

int32_t HostNetGame(vxStr* gameName) {
  std::string name = takeText(gameName);
  mustNotBeStarted();
  return session().finishStart(session().hostGame(name));
}

int32_t JoinNetGame(vxStr* gameName, vxStr* ipAddress) {
  std::string name = takeText(gameName), address = takeText(ipAddress);
  mustNotBeStarted();
  return session().finishStart(session().joinGame(name, address));
}

void StopNetGame() {
  session().close();
  session().players().clear();
}

int32_t CreateNetPlayer(vxStr* name) {
  std::string text = takeText(name);
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
  std::string data = takeText(msg);
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

bool startSession(RunContext& run) {
  g_run = &run;
  g_session = std::make_unique<net::Session>();
  // A dialog installed already (by an embedding or a test) is kept.
  if (!net::startDialog()) {
    g_windowDialog = std::make_unique<net::WindowStartDialog>();
    net::setStartDialog(g_windowDialog.get());
  }
  net::startDialog()->setRun(&run);
  return true;
}

void endSession() {
  if (net::StartDialog* dialog = net::startDialog()) dialog->setRun(nullptr);
  if (g_windowDialog && net::startDialog() == g_windowDialog.get()) net::setStartDialog(nullptr);
  g_windowDialog.reset();
  g_session.reset();
  g_run = nullptr;
}

}  // namespace korva::multiplay
