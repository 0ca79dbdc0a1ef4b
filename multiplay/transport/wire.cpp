#include "multiplay/transport/wire.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace korva::net::wire {
namespace {

// Discovery datagrams start with these four bytes. As an ENet header the first two would
// announce a compressed packet, which our hosts never send, so they cannot be mistaken.
constexpr uint8_t kProbeMagic[4] = {'K', 'V', 'N', 'Q'};
constexpr uint8_t kAdvertMagic[4] = {'K', 'V', 'N', 'A'};

bool startsWith(std::span<const uint8_t> bytes, const uint8_t (&magic)[4]) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(), magic, 4) == 0;
}

void writePlayers(Writer& w, const std::vector<PlayerEntry>& players) {
  w.u16(static_cast<uint16_t>(players.size()));
  for (const PlayerEntry& p : players) {
    w.u32(p.id);
    w.text(p.name);
  }
}

// Player lists are capped, and an id may appear only once and never as 0 or -1.
bool readPlayers(Reader& r, std::vector<PlayerEntry>& players) {
  size_t count = r.u16();
  if (count > kMaxPlayersPerMember) return false;
  std::unordered_set<uint32_t> seen;
  players.clear();
  for (size_t i = 0; i < count && r.ok(); ++i) {
    PlayerEntry p;
    p.id = r.u32();
    p.name = r.text(kMaxNameLength);
    if (p.id == 0 || p.id == 0xFFFFFFFFu || !seen.insert(p.id).second) return false;
    players.push_back(std::move(p));
  }
  return r.ok();
}

void writeHelloBody(Writer& w, const Hello& m) {
  w.u8(kVersion);
  w.raw(m.instance.data(), m.instance.size());
  w.u32(m.member);
  w.u32(m.joinOrder);
  w.u8(m.joinRequest ? 1 : 0);
  writePlayers(w, m.players);
}

bool readHelloBody(Reader& r, Hello& m) {
  if (r.u8() != kVersion) return false;
  r.raw(m.instance.data(), m.instance.size());
  m.member = r.u32();
  m.joinOrder = r.u32();
  uint8_t flags = r.u8();
  if (flags > 1) return false;
  m.joinRequest = flags == 1;
  return readPlayers(r, m.players) && m.member != 0;
}

bool kindIs(Reader& r, Kind k) { return r.u8() == static_cast<uint8_t>(k); }

}  // namespace

bool Reader::take(size_t n) {
  if (!ok_ || n > bytes_.size() - at_) {
    ok_ = false;
    return false;
  }
  return true;
}

uint8_t Reader::u8() {
  if (!take(1)) return 0;
  return bytes_[at_++];
}

uint16_t Reader::u16() {
  if (!take(2)) return 0;
  uint16_t v = static_cast<uint16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
  at_ += 2;
  return v;
}

uint32_t Reader::u32() {
  if (!take(4)) return 0;
  uint32_t v = getU32(bytes_.data() + at_);
  at_ += 4;
  return v;
}

void Reader::raw(void* out, size_t n) {
  if (!take(n)) {
    std::memset(out, 0, n);
    return;
  }
  std::memcpy(out, bytes_.data() + at_, n);
  at_ += n;
}

std::string Reader::text(size_t maxLength) {
  size_t n = u16();
  if (n > maxLength) ok_ = false;
  if (!ok_ || !take(n)) return {};
  std::string s(reinterpret_cast<const char*>(bytes_.data() + at_), n);
  at_ += n;
  return s;
}

std::span<const uint8_t> Reader::rest() {
  if (!ok_) return {};
  auto r = bytes_.subspan(at_);
  at_ = bytes_.size();
  return r;
}

void Writer::u16(uint16_t v) {
  out_.push_back(static_cast<uint8_t>(v));
  out_.push_back(static_cast<uint8_t>(v >> 8));
}

void Writer::u32(uint32_t v) {
  uint8_t b[4];
  putU32(b, v);
  raw(b, 4);
}

void Writer::raw(const void* p, size_t n) {
  auto b = static_cast<const uint8_t*>(p);
  out_.insert(out_.end(), b, b + n);
}

void Writer::text(std::string_view s) {
  size_t n = std::min(s.size(), kMaxNameLength);
  u16(static_cast<uint16_t>(n));
  raw(s.data(), n);
}

void putU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t getU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::vector<uint8_t> encode(const Hello& m) {
  Writer w;
  w.u8(static_cast<uint8_t>(Kind::Hello));
  writeHelloBody(w, m);
  return w.take();
}

std::vector<uint8_t> encode(const Welcome& m) {
  Writer w;
  w.u8(static_cast<uint8_t>(Kind::Welcome));
  writeHelloBody(w, m.self);
  w.u32(m.yourJoinOrder);
  w.text(m.sessionName);
  w.u16(static_cast<uint16_t>(m.members.size()));
  for (const MemberEntry& e : m.members) {
    w.u32(e.member);
    w.u32(e.joinOrder);
    w.u32(e.host);
    w.u16(e.port);
  }
  return w.take();
}

std::vector<uint8_t> encodeRefuse() { return {static_cast<uint8_t>(Kind::Refuse)}; }

std::vector<uint8_t> encodePlayerCreated(const PlayerEntry& p) {
  Writer w;
  w.u8(static_cast<uint8_t>(Kind::PlayerCreated));
  w.u32(p.id);
  w.text(p.name);
  return w.take();
}

std::vector<uint8_t> encodePlayerDestroyed(uint32_t id) {
  Writer w;
  w.u8(static_cast<uint8_t>(Kind::PlayerDestroyed));
  w.u32(id);
  return w.take();
}

std::vector<uint8_t> encodeHostClaim(uint32_t member) {
  Writer w;
  w.u8(static_cast<uint8_t>(Kind::HostClaim));
  w.u32(member);
  return w.take();
}

void writeUserHeader(uint8_t* out, uint32_t from, uint32_t to) {
  out[0] = static_cast<uint8_t>(Kind::User);
  putU32(out + 1, from);
  putU32(out + 5, to);
}

bool decode(std::span<const uint8_t> bytes, Hello& m) {
  Reader r(bytes);
  return kindIs(r, Kind::Hello) && readHelloBody(r, m) && r.atEnd();
}

bool decode(std::span<const uint8_t> bytes, Welcome& m) {
  Reader r(bytes);
  if (!kindIs(r, Kind::Welcome) || !readHelloBody(r, m.self)) return false;
  m.yourJoinOrder = r.u32();
  m.sessionName = r.text(kMaxNameLength);
  size_t count = r.u16();
  if (count > kMaxMembers || m.yourJoinOrder == 0) return false;
  m.members.clear();
  for (size_t i = 0; i < count && r.ok(); ++i) {
    MemberEntry e;
    e.member = r.u32();
    e.joinOrder = r.u32();
    e.host = r.u32();
    e.port = r.u16();
    if (e.member == 0 || e.port == 0) return false;
    m.members.push_back(e);
  }
  return r.atEnd();
}

bool decodePlayerCreated(std::span<const uint8_t> bytes, PlayerEntry& p) {
  Reader r(bytes);
  if (!kindIs(r, Kind::PlayerCreated)) return false;
  p.id = r.u32();
  p.name = r.text(kMaxNameLength);
  return r.atEnd() && p.id != 0 && p.id != 0xFFFFFFFFu;
}

bool decodePlayerDestroyed(std::span<const uint8_t> bytes, uint32_t& id) {
  Reader r(bytes);
  if (!kindIs(r, Kind::PlayerDestroyed)) return false;
  id = r.u32();
  return r.atEnd();
}

bool decodeHostClaim(std::span<const uint8_t> bytes, uint32_t& member) {
  Reader r(bytes);
  if (!kindIs(r, Kind::HostClaim)) return false;
  member = r.u32();
  return r.atEnd();
}

bool decodeUser(std::span<const uint8_t> bytes, uint32_t& from, uint32_t& to,
                std::span<const uint8_t>& payload) {
  Reader r(bytes);
  if (!kindIs(r, Kind::User)) return false;
  from = r.u32();
  to = r.u32();
  payload = r.rest();
  return r.ok() && payload.size() <= kMaxPayload;
}

std::vector<uint8_t> encodeProbe() {
  Writer w;
  w.raw(kProbeMagic, 4);
  w.u8(kVersion);
  return w.take();
}

bool isProbe(std::span<const uint8_t> bytes) {
  return bytes.size() == 5 && startsWith(bytes, kProbeMagic) && bytes[4] == kVersion;
}

std::vector<uint8_t> encode(const Advert& a) {
  Writer w;
  w.raw(kAdvertMagic, 4);
  w.u8(kVersion);
  w.raw(a.instance.data(), a.instance.size());
  w.text(a.name);
  w.u32(a.currentPlayers);
  w.u32(a.maxPlayers);
  w.u32(a.user1);
  w.u32(a.user2);
  return w.take();
}

bool decode(std::span<const uint8_t> bytes, Advert& a) {
  if (!startsWith(bytes, kAdvertMagic)) return false;
  Reader r(bytes.subspan(4));
  if (r.u8() != kVersion) return false;
  r.raw(a.instance.data(), a.instance.size());
  a.name = r.text(kMaxNameLength);
  a.currentPlayers = r.u32();
  a.maxPlayers = r.u32();
  a.user1 = r.u32();
  a.user2 = r.u32();
  return r.atEnd();
}

bool looksLikeDiscovery(std::span<const uint8_t> bytes) {
  return startsWith(bytes, kProbeMagic) || startsWith(bytes, kAdvertMagic);
}

}  // namespace korva::net::wire
