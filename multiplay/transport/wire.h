// The bytes the session transport puts on the network: the messages between members of a
// session (carried by ENet) and the discovery datagrams (raw UDP on the same port). All of
// it is read from strangers, so every decoder checks every length and cap and rejects
// rather than guesses.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korva::net::wire {

inline constexpr uint8_t kVersion = 1;
// Longest game or player name; longer ones are refused when made.
inline constexpr size_t kMaxNameLength = 1024;
// Most players one member may have, and most members in a session.
inline constexpr size_t kMaxPlayersPerMember = 256;
inline constexpr size_t kMaxMembers = 64;
// Largest user payload one message may carry.
inline constexpr size_t kMaxPayload = 1 << 20;

using Guid = std::array<uint8_t, 16>;

// Little-endian reading of untrusted bytes: a read past the end yields zeros and marks the
// reader failed, so a decoder checks ok() once at the end.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint8_t u8();
  uint16_t u16();
  uint32_t u32();
  void raw(void* out, size_t n);
  // A u16 length then that many bytes; a length above maxLength fails.
  std::string text(size_t maxLength);
  std::span<const uint8_t> rest();
  bool ok() const { return ok_; }
  bool atEnd() const { return ok_ && at_ == bytes_.size(); }

 private:
  bool take(size_t n);
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

class Writer {
 public:
  void u8(uint8_t v) { out_.push_back(v); }
  void u16(uint16_t v);
  void u32(uint32_t v);
  void raw(const void* p, size_t n);
  // The caller keeps s within the cap its reader applies.
  void text(std::string_view s);
  std::vector<uint8_t> take() { return std::move(out_); }

 private:
  std::vector<uint8_t> out_;
};

void putU32(uint8_t* p, uint32_t v);
uint32_t getU32(const uint8_t* p);

// First byte of every member-to-member message.
enum class Kind : uint8_t {
  Hello = 1,        // introduces a member (and asks the host to join when flagged)
  Welcome = 2,      // the host's answer to a join: the session and its members
  Refuse = 3,       // a join or introduction turned down
  PlayerCreated = 4,
  PlayerDestroyed = 5,
  HostClaim = 6,    // the sender has taken over as host
  User = 7,         // a player's message: from, to, payload
};

struct PlayerEntry {
  uint32_t id = 0;
  std::string name;
};

struct Hello {
  Guid instance{};
  uint32_t member = 0;
  uint32_t joinOrder = 0;  // 0 in a join request: the host assigns it
  bool joinRequest = false;
  std::vector<PlayerEntry> players;
};

struct MemberEntry {
  uint32_t member = 0;
  uint32_t joinOrder = 0;
  uint32_t host = 0;  // IPv4 address in network byte order, as ENet keeps it
  uint16_t port = 0;
};

struct Welcome {
  Hello self;  // the host's own introduction
  uint32_t yourJoinOrder = 0;
  std::string sessionName;
  std::vector<MemberEntry> members;  // every other member the joiner must meet
};

std::vector<uint8_t> encode(const Hello& m);
std::vector<uint8_t> encode(const Welcome& m);
std::vector<uint8_t> encodeRefuse();
std::vector<uint8_t> encodePlayerCreated(const PlayerEntry& p);
std::vector<uint8_t> encodePlayerDestroyed(uint32_t id);
std::vector<uint8_t> encodeHostClaim(uint32_t member);
// The head of a User message; the payload follows it.
inline constexpr size_t kUserHeader = 9;
void writeUserHeader(uint8_t* out, uint32_t from, uint32_t to);

// Each decoder takes the whole message, kind byte included, and is true only when the
// message is well formed to its last byte.
bool decode(std::span<const uint8_t> bytes, Hello& m);
bool decode(std::span<const uint8_t> bytes, Welcome& m);
bool decodePlayerCreated(std::span<const uint8_t> bytes, PlayerEntry& p);
bool decodePlayerDestroyed(std::span<const uint8_t> bytes, uint32_t& id);
bool decodeHostClaim(std::span<const uint8_t> bytes, uint32_t& member);
bool decodeUser(std::span<const uint8_t> bytes, uint32_t& from, uint32_t& to,
                std::span<const uint8_t>& payload);

// Discovery: a probe asks "which games are here?", an advertisement answers for one.
struct Advert {
  Guid instance{};
  std::string name;
  uint32_t currentPlayers = 0;
  uint32_t maxPlayers = 0;
  uint32_t user1 = 0;
  uint32_t user2 = 0;
};

std::vector<uint8_t> encodeProbe();
bool isProbe(std::span<const uint8_t> bytes);
std::vector<uint8_t> encode(const Advert& a);
bool decode(std::span<const uint8_t> bytes, Advert& a);
// True for bytes that start like a discovery datagram (of any version): those never go to
// ENet, whose packets cannot begin this way.
bool looksLikeDiscovery(std::span<const uint8_t> bytes);

}  // namespace korva::net::wire
