// Stream throughput: 100 MB through the file and bank commands and over TCP on loopback,
// each next to plain stdio or socket calls moving the same bytes in the same run.
// Prints MB/s and the ratio (reference time / Korva time; 1.00 is parity).
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/report.h"
#include "basic/strings.h"
#include "app/module_list.h"
#include "io/commands.h"
#include "basic/basic_module.h"
#include "io/commands.h"
#include "tests/support/loopback.h"

using namespace korva;
using namespace korva::io;

namespace {

constexpr int64_t kTotal = 100 << 20;
constexpr int32_t kBlock = 64 << 10;
constexpr int kRounds = 3;

// The best of a few rounds, in seconds: the machine is shared.
double best(const std::function<void()>& f) {
  double fastest = 1e9;
  for (int i = 0; i < kRounds; ++i) {
    auto start = std::chrono::steady_clock::now();
    f();
    fastest = std::min(fastest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return fastest;
}

void row(const char* what, double korva, double reference) {
  double mb = double(kTotal) / (1 << 20);
  std::printf("%-34s %10.0f %12.0f %8.2f\n", what, mb / korva, mb / reference, reference / korva);
  korva::bench::compare(std::string("io: ") + what, mb / korva, mb / reference, "MB/s", korva::bench::Better::Higher);
}

// Plain sockets for the other end of the TCP cases.
int listenLoopback(int& port) {
  sockaddr_in addr;
  int s = test::boundLoopbackSocket(SOCK_STREAM, addr);
  listen(s, 4);
  port = ntohs(addr.sin_port);
  return s;
}

void sinkAll(int fd) {
  std::vector<char> buffer(kBlock);
  for (int64_t got = 0; got < kTotal;) {
    ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
    if (n <= 0) break;
    got += n;
  }
}

void sourceAll(int fd) {
  std::vector<char> buffer(kBlock, 'x');
  for (int64_t sent = 0; sent < kTotal;) {
    ssize_t n = send(fd, buffer.data(), buffer.size(), MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += n;
  }
}

// One TCP round: the far end runs plain socket code on a thread; near gets the connected
// far-side listener's port and does the measured work.
void tcpRound(bool farSends, const std::function<void(int port)>& near) {
  int port = 0;
  int listener = listenLoopback(port);
  std::thread far([&] {
    int c = accept(listener, nullptr, nullptr);
    farSends ? sourceAll(c) : sinkAll(c);
    close(c);
  });
  near(port);
  far.join();
  close(listener);
}

int plainConnect(int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = test::loopbackAddress(static_cast<uint16_t>(port));
  connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  int on = 1;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return s;
}

// The reference side of a TCP case, plain socket calls at both ends: the best time.
double plainTcpRound(bool farSends) {
  return best([&] {
    tcpRound(farSends, [&](int port) {
      int s = plainConnect(port);
      farSends ? sinkAll(s) : sourceAll(s);
      close(s);
    });
  });
}

}  // namespace

int main() {
  basic_create();
  std::string dir = (std::filesystem::temp_directory_path() / "korva_bench_io").string();
  std::filesystem::create_directories(dir);
  std::string path = dir + "/data";
  auto name = [&] { return vxStrNew(path); };
  constexpr int32_t kInts = kTotal / 4;

  std::printf("%-34s %10s %12s %8s\n", "100 MB", "Korva MB/s", "plain MB/s", "ratio");

  double wInt = best([&] {
    int32_t f = WriteFile(name());
    for (int32_t i = 0; i < kInts; ++i) WriteInt(f, i);
    CloseFile(f);
  });
  double wIntRef = best([&] {
    FILE* f = std::fopen(path.c_str(), "wb");
    for (int32_t i = 0; i < kInts; ++i) std::fwrite(&i, 4, 1, f);
    std::fclose(f);
  });
  row("file WriteInt vs fwrite 4 bytes", wInt, wIntRef);

  int64_t sum = 0;
  double rInt = best([&] {
    int32_t f = ReadFile(name());
    for (int32_t i = 0; i < kInts; ++i) sum += ReadInt(f);
    CloseFile(f);
  });
  double rIntRef = best([&] {
    FILE* f = std::fopen(path.c_str(), "rb");
    int32_t v;
    for (int32_t i = 0; i < kInts; ++i) sum += std::fread(&v, 4, 1, f) ? v : 0;
    std::fclose(f);
  });
  row("file ReadInt vs fread 4 bytes", rInt, rIntRef);

  int32_t bank = CreateBank(kBlock);
  std::vector<char> block(kBlock, 'b');
  double wBytes = best([&] {
    int32_t f = WriteFile(name());
    for (int64_t done = 0; done < kTotal; done += kBlock) WriteBytes(bank, f, 0, kBlock);
    CloseFile(f);
  });
  double wBytesRef = best([&] {
    FILE* f = std::fopen(path.c_str(), "wb");
    for (int64_t done = 0; done < kTotal; done += kBlock) std::fwrite(block.data(), 1, kBlock, f);
    std::fclose(f);
  });
  row("file WriteBytes vs fwrite 64 KiB", wBytes, wBytesRef);

  double rBytes = best([&] {
    int32_t f = ReadFile(name());
    while (ReadBytes(bank, f, 0, kBlock) == kBlock) {
    }
    CloseFile(f);
  });
  double rBytesRef = best([&] {
    FILE* f = std::fopen(path.c_str(), "rb");
    while (std::fread(block.data(), 1, kBlock, f) == size_t(kBlock)) {
    }
    std::fclose(f);
  });
  row("file ReadBytes vs fread 64 KiB", rBytes, rBytesRef);
  std::filesystem::remove_all(dir);

  double tSend = best([&] {
    tcpRound(false, [&](int port) {
      int32_t s = OpenTCPStream(vxStrNew("127.0.0.1"), port);
      for (int64_t done = 0; done < kTotal; done += kBlock) WriteBytes(bank, s, 0, kBlock);
      CloseTCPStream(s);
    });
  });
  double tSendRef = plainTcpRound(false);
  row("TCP WriteBytes vs send 64 KiB", tSend, tSendRef);

  double tRecv = best([&] {
    tcpRound(true, [&](int port) {
      int32_t s = OpenTCPStream(vxStrNew("127.0.0.1"), port);
      for (int64_t done = 0; done < kTotal;) {
        int32_t n = ReadBytes(bank, s, 0, kBlock);
        if (n <= 0) break;
        done += n;
      }
      CloseTCPStream(s);
    });
  });
  double tRecvRef = plainTcpRound(true);
  row("TCP ReadBytes vs recv 64 KiB", tRecv, tRecvRef);

  FreeBank(bank);
  stream_destroy();
  bank_destroy();
  basic_destroy();
  std::printf("(checksum %lld)\n", static_cast<long long>(sum));
  return 0;
}
