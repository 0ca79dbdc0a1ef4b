// Hostile files, peers and programs met by a whole program, run as a user runs it through
// build/korva (runCommandMeasured): it ends within seconds, by no signal, under 512 MiB of
// peak memory, with the soft failure or the run-time error each command documents.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "hostile/measured_run.h"
#include "imagefile/pictures.h"
#include "soundengine/sound_files.h"
#include "support/fifo.h"
#include "support/loopback.h"
#include "support/process.h"

namespace korva::test {
namespace {

using namespace std::chrono_literals;

constexpr long kPeakMiB = 512;

// A directory of its own for one case, under the test's temporary directory.
std::string caseDir(const std::string& name) {
  std::string dir = tempDir() + "/" + name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// What every hostile run must show: an end of its own, soon, without a signal, modest.
void expectWellBehaved(const MeasuredRun& r, const std::string& what) {
  std::printf("%s: %.2f s, peak %ld MiB\n", what.c_str(), r.seconds, r.peakMiB);
  EXPECT_FALSE(r.timedOut) << what << ": still running after a minute";
  EXPECT_EQ(r.signal, 0) << what;
  EXPECT_EQ(r.exitCode, 0) << what;
  EXPECT_LT(r.seconds, 20 * hostSlowdown()) << what;
  EXPECT_LT(r.peakMiB, kPeakMiB) << what << ": peak resident memory in MiB";
}

TEST(HostileFiles, NamedPipesGiveEveryLoaderItsSoftFailureAtOnce) {
  const std::string dir = caseDir("pipes");
  std::vector<std::unique_ptr<Fifo>> fifos;
  for (const char* name : {"pipe.wav", "pipe.mid", "pipe.ogg", "pipe.png", "pipe.dat", "pipe.bmp", "pipe.ttf"}) {
    fifos.push_back(std::make_unique<Fifo>(dir + "/" + name));
    ASSERT_TRUE(fifos.back()->made()) << name;
  }
  writeFile(dir + "/source.txt", Bytes{'s', 'o', 'u', 'r', 'c', 'e'});
  // A run waiting on a pipe is killed at the limit.
  MeasuredRun r = runCommandMeasured("hostile", "F" + dir, dir, 0, 30s);
  expectWellBehaved(r, "pipes");
  EXPECT_EQ(r.lines, (std::vector<std::string>{"0", "0", "0", "0", "0", "0", "0", "0", "done"}));
}

TEST(HostileFiles, SoundsLargerThanTheBudgetGiveNothing) {
  const std::string dir = caseDir("sounds");
  writeBytes(dir + "/bomb.flac", silentFlac(600));  // 300 MB of sound in 10 KB
  writeBytes(dir + "/part.flac", silentFlac(175));  // 92 MB: two fit the budget, three do not
  MeasuredRun r = runCommandMeasured("hostile", "S" + dir, dir);
  expectWellBehaved(r, "sounds");
  EXPECT_EQ(r.lines, (std::vector<std::string>{"0", "0", "1", "1", "0"}));
}

TEST(HostileFiles, TinyPicturesClaimingHugeSizesGiveNothing) {
  const std::string dir = caseDir("pictures");
  writeFile(dir + "/claim.bmp", bmpClaiming(16384, 16384));
  writeFile(dir + "/claim.png", pngClaiming(16384, 16384));
  writeFile(dir + "/claim.pcx", pcxClaiming(16384, 16384));
  writeFile(dir + "/claim.jpg", jpegClaiming(16384, 16384));
  writeFile(dir + "/real.png", pngFile(64, 64));
  for (const char* name : {"claim.bmp", "claim.png", "claim.pcx", "claim.jpg"})
    EXPECT_LE(std::filesystem::file_size(dir + "/" + name), 2048u) << name;
  MeasuredRun r = runCommandMeasured("hostile", "P" + dir, dir);
  expectWellBehaved(r, "pictures");
  EXPECT_EQ(r.lines, (std::vector<std::string>{"0", "0", "0", "0", "1"}));
}

// A loopback peer that announces what it likes and floods until the connection goes.
class FloodingPeer {
 public:
  explicit FloodingPeer(std::string head) : head_(std::move(head)) {
    sockaddr_in address;
    listener_ = boundLoopbackSocket(SOCK_STREAM, address);
    listen(listener_, 1);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~FloodingPeer() {
    stop_ = true;
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
  }
  int port() const { return port_; }
  size_t sent() const { return sent_; }

 private:
  void serve() {
    int s = accept(listener_, nullptr, nullptr);
    if (s < 0) return;
    ::send(s, head_.data(), head_.size(), MSG_NOSIGNAL);
    const std::string block(1 << 20, 'q');
    // 600 MB, or until the program's side goes.
    for (int i = 0; i < 600 && !stop_; ++i) {
      ssize_t n = ::send(s, block.data(), block.size(), MSG_NOSIGNAL);
      if (n <= 0) break;
      sent_ += static_cast<size_t>(n);
    }
    close(s);
  }
  std::string head_;
  int listener_ = -1, port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<size_t> sent_{0};
  std::thread thread_;
};

TEST(HostilePeers, AStringOrLineLongerThanGuestMemoryFailsTheStreamOnly) {
  const struct {
    const char* what;
    const char* command;
    std::string head;
    std::vector<std::string> lines;  // some text?, no more than guest memory had left, then Eof
  } cases[] = {
      {"a lying length", "R", std::string("\xF0\xFF\xFF\x7F", 4), {"0", "1", "-1"}},
      {"a line without end", "L", "", {"1", "1", "-1"}},
  };
  for (const auto& c : cases) {
    FloodingPeer peer(c.head);
    MeasuredRun r = runCommandMeasured("hostile", c.command + std::to_string(peer.port()), caseDir("flood"));
    expectWellBehaved(r, c.what);
    EXPECT_EQ(r.lines, c.lines) << c.what;
  }
}

TEST(HostilePeers, AServerThatRanOutOfDescriptorsAcceptsAgain) {
  const uint16_t port = freeLoopbackPort(SOCK_STREAM);
  std::vector<int> clients;
  std::thread connect([&] {
    // Until the server listens, then a hundred clients at once, held open.
    for (auto end = std::chrono::steady_clock::now() + 20s; clients.size() < 100 && std::chrono::steady_clock::now() < end;) {
      int s = socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in address = loopbackAddress(port);
      if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        clients.push_back(s);
      } else {
        close(s);
        std::this_thread::sleep_for(10ms);
      }
    }
  });
  // Few enough descriptors that the run-time's own and some 30 connections use them all.
  MeasuredRun r = runCommandMeasured("hostile", "A" + std::to_string(port), caseDir("accept"), 48);
  connect.join();
  for (int s : clients) close(s);
  expectWellBehaved(r, "accept");
  EXPECT_EQ(clients.size(), 100u);
  EXPECT_EQ(r.lines, (std::vector<std::string>{"listening", "100"}));
}

// The far jump to 64-bit code and a system call there: on the native CPU the call is
// trapped, on the emulated one the jump is refused; either way nothing is created.
TEST(HostilePrograms, A64BitSystemCallFromGuestCodeEndsTheProgram) {
  const std::string dir = caseDir("far64");
  MeasuredRun r = runCommandMeasured("hostile", "J", dir);
  expectWellBehaved(r, "far jump");
  EXPECT_EQ(r.lines, std::vector<std::string>{"Illegal memory address"});
  EXPECT_FALSE(std::filesystem::exists(dir + "/escaped64"));
}

}  // namespace
}  // namespace korva::test
