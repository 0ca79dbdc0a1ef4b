// The multiplayer start dialog's behaviour, apart from its drawing. StartNetGame makes a
// StartDialogModel, opens it and hands it to the installed StartDialog, which shows it in
// the runtime window, feeds it the user's actions and its timer, shows the message boxes
// it asks for, and returns once the model has ended.
//
// States: after open() no connection is chosen (entry 0) and everything below the
// connection list is disabled. Choosing a real connection lists the games found, enables
// the name field and "Create new game", and starts a refresh every second. Choosing
// "<no connection>" (or a failure) resets to the first state. create(), join() and
// cancel() end the dialog with 2, 1 or 0; a failed create or join leaves it open.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korva {
class RunContext;
}

namespace korva::net {

class Transport;
struct SessionInfo;

inline constexpr char kDialogCaption[] = "Start Multiplayer Game";
inline constexpr char kConnectionLabel[] = "Connection";
inline constexpr char kGamesLabel[] = "Games in progress";
inline constexpr char kNameLabel[] = "Name for new game";
inline constexpr char kCreateButton[] = "Create new game";
inline constexpr char kCancelButton[] = "Cancel";
inline constexpr char kNoConnection[] = "<no connection>";
inline constexpr char kInternetConnection[] = "Internet TCP/IP";
inline constexpr char kNoGamesFound[] = "<no games found>";
// Longest game name the name field takes.
inline constexpr size_t kMaxGameName = 259;
inline constexpr uint32_t kRefreshMs = 1000;

// A message box the dialog wants shown over itself.
struct DialogMessage {
  enum class Icon { Warning, Information };
  std::string caption;
  std::string text;
  Icon icon = Icon::Warning;
  bool topmost = false;  // also brought to the foreground
};

class StartDialogModel {
 public:
  StartDialogModel();
  ~StartDialogModel();  // closes a session object it still holds

  // Fills the connection list (the placeholder first, then each connection that works).
  void open();

  // What the dialog shows.
  const std::vector<std::string>& connections() const { return connectionNames_; }
  int selectedConnection() const { return selectedConnection_; }
  // Game names, or the single entry "<no games found>".
  const std::vector<std::string>& games() const { return gameNames_; }
  bool gamesEnabled() const { return gamesEnabled_; }
  const std::string& name() const { return name_; }
  bool nameEnabled() const { return nameEnabled_; }
  bool createEnabled() const { return createEnabled_; }
  bool timerRunning() const { return timerRunning_; }
  // Message boxes asked for since the last call, oldest first.
  std::vector<DialogMessage> takeMessages();

  // What the user does.
  void selectConnection(int index);
  void setName(std::string_view text);  // keeps at most kMaxGameName characters
  void create();                        // "Create new game", or Enter in the name field
  void join(int index);                 // a double click on a listed game
  void cancel();                        // "Cancel", Escape or closing the dialog
  // The refresh timer: call timerTick every kRefreshMs while timerRunning(), or call
  // tick with a millisecond clock as often as convenient and it fires when due.
  void timerTick();
  void tick(uint32_t nowMs);

  bool ended() const { return ended_; }
  // 0 nothing started, 1 joined, 2 created.
  int result() const { return result_; }
  // The game created or joined.
  const std::string& game() const { return game_; }
  // The open session after a result of 1 or 2, handed over once.
  std::unique_ptr<Transport> takeSession();

 private:
  struct Connection {
    std::string name;
    std::string address;  // where to search; empty: the local network
  };
  void reset();
  bool refresh();
  void closeSession();
  void killTimer();
  void end(int result);
  void say(std::string caption, std::string text, DialogMessage::Icon icon, bool topmost = false);

  std::vector<Connection> connectionList_;
  std::vector<std::string> connectionNames_;
  int selectedConnection_ = 0;
  std::vector<SessionInfo> sessions_;
  std::vector<std::string> gameNames_;
  bool gamesEnabled_ = false;
  std::string name_;
  bool nameEnabled_ = false;
  bool createEnabled_ = false;
  bool timerRunning_ = false;
  uint32_t timerStartedMs_ = 0;
  bool timerClockKnown_ = false;
  std::vector<DialogMessage> messages_;
  std::unique_ptr<Transport> session_;
  bool ended_ = false;
  int result_ = 0;
  std::string game_;
};

// Shows the dialog; implemented by the drawing layer.
class StartDialog {
 public:
  virtual ~StartDialog() = default;
  // Returns when model.ended(); returning earlier counts as Cancel.
  virtual void run(StartDialogModel& model) = 0;
  // The run it is shown in, told when the multiplay module starts (null when it ends);
  // dialogs that show nothing ignore it.
  virtual void setRun(RunContext* /*run*/) {}
};

// The dialog StartNetGame shows (not owned; null: none is available, and StartNetGame
// starts nothing).
void setStartDialog(StartDialog* dialog);
StartDialog* startDialog();

}  // namespace korva::net
