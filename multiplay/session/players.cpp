#include "multiplay/session/players.h"

#include <algorithm>

namespace korva::net {

NetPlayer& PlayerTable::add(uint32_t id, std::string name, bool remote) {
  all_.push_back(std::make_unique<NetPlayer>(NetPlayer{id, std::move(name), remote}));
  NetPlayer* p = all_.back().get();
  if (remote) queue_.push_back(p);
  stale_ = true;
  return *p;
}

void PlayerTable::destroy(uint32_t id) {
  auto it = std::find_if(all_.begin(), all_.end(), [&](auto& p) { return p->id == id; });
  if (it == all_.end()) return;
  std::erase(queue_, it->get());
  all_.erase(it);
  stale_ = true;
}

void PlayerTable::clear() {
  queue_.clear();
  all_.clear();
  index_.clear();
  stale_ = false;
}

NetPlayer* PlayerTable::find(uint32_t id) {
  if (stale_) {
    index_.clear();
    for (auto& p : all_) index_.emplace(p->id, p.get());
    stale_ = false;
  }
  auto it = index_.find(id);
  return it == index_.end() ? nullptr : it->second;
}

NetPlayer* PlayerTable::takeUnannounced() {
  if (queue_.empty()) return nullptr;
  NetPlayer* p = queue_.front();
  queue_.pop_front();
  return p;
}

}  // namespace korva::net
