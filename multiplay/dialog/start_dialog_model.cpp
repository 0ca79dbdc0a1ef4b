// The start dialog's session side: connections, the games found, creating and joining.
#include "multiplay/start_dialog.h"

#include <utility>

#include "multiplay/transport/state.h"
#include "multiplay/transport/transport.h"

namespace korva::net {
namespace {

constexpr char kPlayError[] = "DirPlay Error";
constexpr char kOpenError[] = "DirectPlay Error";

StartDialog* g_dialog = nullptr;

}  // namespace

void setStartDialog(StartDialog* dialog) { g_dialog = dialog; }
StartDialog* startDialog() { return g_dialog; }

StartDialogModel::StartDialogModel() = default;

StartDialogModel::~StartDialogModel() { closeSession(); }

void StartDialogModel::open() {
  connectionList_.clear();
  connectionList_.push_back({kNoConnection, ""});
  if (!enetReady()) {
    say(kOpenError, "Error opening DirectPlay", DialogMessage::Icon::Warning);
  } else {
    // A connection is listed only when a session object can really be opened on it.
    for (Connection c : {Connection{kInternetConnection, ""}}) {
      Transport probe;
      if (probe.initialize(c.address)) connectionList_.push_back(std::move(c));
    }
  }
  connectionNames_.clear();
  for (const Connection& c : connectionList_) connectionNames_.push_back(c.name);
  selectedConnection_ = 0;
}

std::vector<DialogMessage> StartDialogModel::takeMessages() { return std::exchange(messages_, {}); }

void StartDialogModel::say(std::string caption, std::string text, DialogMessage::Icon icon, bool topmost) {
  messages_.push_back({std::move(caption), std::move(text), icon, topmost});
}

void StartDialogModel::closeSession() {
  if (session_) session_->close();
  session_.reset();
}

void StartDialogModel::killTimer() { timerRunning_ = false; }

void StartDialogModel::reset() {
  closeSession();
  killTimer();
  selectedConnection_ = 0;
  gamesEnabled_ = nameEnabled_ = createEnabled_ = false;
  name_.clear();
  sessions_.clear();
  gameNames_.clear();
}

void StartDialogModel::selectConnection(int index) {
  if (ended_ || index < 0 || index >= static_cast<int>(connectionList_.size())) return;
  if (index == 0) {
    reset();
    return;
  }
  selectedConnection_ = index;
  closeSession();
  session_ = std::make_unique<Transport>();
  const Connection& c = connectionList_[static_cast<size_t>(index)];
  if (!session_->initialize(c.address)) {
    say(kPlayError, "Unable to open " + c.name, DialogMessage::Icon::Warning);
    reset();
    return;
  }
  if (!refresh()) {
    reset();
    return;
  }
  nameEnabled_ = createEnabled_ = true;
}

bool StartDialogModel::refresh() {
  sessions_.clear();
  gameNames_.clear();
  gamesEnabled_ = true;
  if (!session_ || !session_->enumerate(sessions_, true)) {
    closeSession();
    say(kPlayError, "Unable to enumerate sessions", DialogMessage::Icon::Warning);
    return false;
  }
  if (!timerRunning_) {
    timerRunning_ = true;
    timerClockKnown_ = false;
  }
  for (const SessionInfo& s : sessions_) gameNames_.push_back(s.name);
  if (gameNames_.empty()) {
    gameNames_.push_back(kNoGamesFound);
    gamesEnabled_ = false;
  }
  return true;
}

void StartDialogModel::timerTick() {
  if (ended_ || !timerRunning_) return;
  if (!refresh()) reset();
}

void StartDialogModel::tick(uint32_t nowMs) {
  if (!timerRunning_) return;
  if (!timerClockKnown_) {
    timerStartedMs_ = nowMs;
    timerClockKnown_ = true;
    return;
  }
  if (nowMs - timerStartedMs_ < kRefreshMs) return;
  timerStartedMs_ = nowMs;
  timerTick();
}

void StartDialogModel::setName(std::string_view text) {
  if (!nameEnabled_) return;
  name_ = std::string(text.substr(0, kMaxGameName));
}

void StartDialogModel::create() {
  if (ended_ || !createEnabled_ || !session_) return;
  if (name_.empty()) {
    say("DirectPlay Request", "Please enter a name for the new game", DialogMessage::Icon::Information, true);
    return;
  }
  if (!session_->create(name_)) {
    say(kPlayError, "Unable to create new game", DialogMessage::Icon::Warning);
    return;
  }
  game_ = name_;
  end(2);
}

void StartDialogModel::join(int index) {
  if (ended_ || !gamesEnabled_ || !session_ || index < 0 || index >= static_cast<int>(sessions_.size()))
    return;
  const SessionInfo& s = sessions_[static_cast<size_t>(index)];
  if (!session_->join(s)) {
    say(kPlayError, "Unable to join game", DialogMessage::Icon::Warning);
    return;
  }
  game_ = s.name;
  end(1);
}

void StartDialogModel::cancel() {
  if (ended_) return;
  closeSession();
  end(0);
}

void StartDialogModel::end(int result) {
  killTimer();
  ended_ = true;
  result_ = result;
}

std::unique_ptr<Transport> StartDialogModel::takeSession() {
  if (!ended_ || (result_ != 1 && result_ != 2)) return nullptr;
  return std::move(session_);
}

}  // namespace korva::net
