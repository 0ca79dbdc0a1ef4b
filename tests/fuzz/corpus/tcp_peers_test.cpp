// Hostile peers on loopback against a program's server: peers that lie about lengths,
// dribble a byte now and then, flood without a line feed, send garbage or nothing. Every
// command on the connection must come back within its time-out, the process stays modest,
// and every string the commands made is released.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "basic/basic_module.h"
#include "basic/strings.h"
#include "fuzz/corpus/mutants.h"
#include "app/module_list.h"
#include "io/commands.h"
#include "support/loopback.h"
#include "support/process.h"

namespace korva::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__)
constexpr uint64_t kPeakMiB = 1536;
#else
constexpr uint64_t kPeakMiB = 512;
#endif
constexpr int kTimeoutMs = 60;

// One connection's peer, on a thread of its own, until the run-time's side goes.
class HostilePeer {
 public:
  enum Kind { kLiar, kDribbler, kFlooder, kGarbage, kSilent, kKinds };

  HostilePeer(uint16_t port, Kind kind, uint64_t seed) : rng_(seed) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopbackAddress(port);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    thread_ = std::thread([this, kind] { act(kind); });
  }
  ~HostilePeer() {
    stop_ = true;
    thread_.join();
    close(fd_);
  }
  bool connected() const { return connected_; }

 private:
  bool send(const std::string& bytes) { return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) > 0; }
  std::string random(size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = char(rng_());
    return s;
  }
  void act(Kind kind) {
    switch (kind) {
      case kLiar:  // lengths far beyond what follows, then silence
        for (int i = 0; i < 4 && !stop_; ++i) {
          static const char* lies[] = {"\xF0\xFF\xFF\x7F", "\xFF\xFF\xFF\xFF", "\x00\x00\x00\x40", "\x10\x00\x00\x00"};
          send(std::string(lies[rng_() % 4], 4) + random(rng_() % 64));
        }
        break;
      case kDribbler:  // a byte now and then, hardly ever a line feed
        for (int i = 0; i < 200 && !stop_; ++i) {
          if (!send(rng_() % 50 ? random(1) : "\n")) break;
          std::this_thread::sleep_for(std::chrono::milliseconds(kTimeoutMs / 3));
        }
        break;
      case kFlooder: {  // megabytes without a line feed, as fast as they go
        const std::string block(256 * 1024, 'x');
        for (int i = 0; i < 16 * fuzzRounds() && !stop_; ++i)
          if (!send(block)) break;
        break;
      }
      case kGarbage:
        send(random(rng_() % 70000));
        break;
      default:
        break;
    }
    if (kind != kSilent && rng_() % 2) shutdown(fd_, SHUT_WR);  // sometimes the end, sometimes silence
    while (!stop_) std::this_thread::sleep_for(5ms);
  }

  std::mt19937_64 rng_;
  int fd_ = -1;
  bool connected_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(PeerFuzz, LyingDribblingFloodingAndSilentPeers) {
  ASSERT_TRUE(basic_create());
  io::testing::setTcpReadTimeoutMs(kTimeoutMs);
  int32_t server = io::CreateTCPServer(0);
  ASSERT_NE(server, 0);
  const auto port = static_cast<uint16_t>(io::testing::tcpServerPort(server));
  std::mt19937_64 rng(fuzzSeed());
  int32_t bank = io::CreateBank(64 * 1024);
  const auto start = Clock::now();
  int connections = 0, commands = 0;
  for (int c = 0; c < 25 * fuzzRounds(); ++c) {
    HostilePeer peer(port, HostilePeer::Kind(c % HostilePeer::kKinds), rng());
    ASSERT_TRUE(peer.connected());
    int32_t s = 0;
    for (auto end = Clock::now() + 5s; !s && Clock::now() < end; std::this_thread::sleep_for(1ms))
      s = io::AcceptTCPStream(server);
    ASSERT_NE(s, 0) << "connection " << c;
    ++connections;
    for (int op = 0; op < 40 && io::Eof(s) == 0; ++op, ++commands) {
      const auto before = Clock::now();
      switch (rng() % 8) {
        case 0: vxStrRelease(io::ReadString(s)); break;
        case 1: vxStrRelease(io::ReadLine(s)); break;
        case 2: io::ReadInt(s); break;
        case 3: io::ReadBytes(bank, s, 0, int32_t(rng() % 65536)); break;
        case 4: io::ReadAvail(s); break;
        case 5: io::WriteString(s, vxStrNew(std::string(rng() % 100000, 'w'))); break;
        case 6: io::WriteLine(s, vxStrNew("reply")); break;
        default: io::ReadFloat(s); break;
      }
      // The time-out counts from the command's start; a generous margin for loaded machines.
      EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(kTimeoutMs) + 2s) << "connection " << c << ", command " << op;
    }
    io::CloseTCPStream(s);
  }
  if (fuzzTrace())
    std::fprintf(stderr, "-- peers: %d connections, %d commands in %.1f s, peak %llu MiB\n", connections, commands,
                 std::chrono::duration<double>(Clock::now() - start).count(),
                 static_cast<unsigned long long>(peakMemoryMiB()));
  io::FreeBank(bank);
  stream_destroy();
  io::testing::setTcpReadTimeoutMs(0);
  EXPECT_EQ(liveStringCount(), 0u);
  EXPECT_LT(peakMemoryMiB(), kPeakMiB) << "peak resident memory in MiB";
  basic_destroy();
}

}  // namespace
}  // namespace korva::test
