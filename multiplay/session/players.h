// The program's table of players: every player it knows, the remote ones it has not
// announced yet (in the order they became known), and an index by id that is rebuilt
// only when a lookup finds it stale.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace korva::net {

struct NetPlayer {
  uint32_t id = 0;
  std::string name;
  bool remote = false;  // learned from the session rather than made by this process
};

class PlayerTable {
 public:
  // Appends a record; a remote one also joins the queue of players to announce.
  NetPlayer& add(uint32_t id, std::string name, bool remote);
  // Removes the record from the table and from the queue; unknown ids are ignored.
  void destroy(uint32_t id);
  void clear();
  NetPlayer* find(uint32_t id);
  // The oldest unannounced player, taken off the queue (null when none is waiting).
  NetPlayer* takeUnannounced();
  size_t size() const { return all_.size(); }
  size_t unannounced() const { return queue_.size(); }

 private:
  std::vector<std::unique_ptr<NetPlayer>> all_;
  std::deque<NetPlayer*> queue_;
  std::unordered_map<uint32_t, NetPlayer*> index_;
  bool stale_ = false;
};

}  // namespace korva::net
