// Multiplayer messages on loopback: the round trip of a guaranteed message between two
// sessions next to the round trip of a bare UDP datagram between two sockets (the floor any
// transport stands on), and the rate of a burst of guaranteed messages. Wall time is
// measured, since the cost is mostly waiting; a ratio table follows the usual output.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "bench/report.h"
#include "multiplay/multiplay.h"
#include "multiplay/session/session.h"
#include "tests/support/loopback.h"

namespace {

using korva::net::Session;
using korva::test::boundLoopbackSocket;
using korva::test::freeLoopbackPort;

std::map<std::string, double> g_seconds;  // per iteration, by benchmark

void record(benchmark::State& state, const char* name, double seconds) {
  if (state.iterations()) g_seconds[name] = seconds / static_cast<double>(state.iterations());
}

void BM_UdpRoundTrip(benchmark::State& state) {
  sockaddr_in aAddr, bAddr;
  int a = boundLoopbackSocket(SOCK_DGRAM, aAddr), b = boundLoopbackSocket(SOCK_DGRAM, bAddr);
  char buffer[64] = "ping";
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    sendto(a, buffer, 32, 0, reinterpret_cast<sockaddr*>(&bAddr), sizeof bAddr);
    recv(b, buffer, sizeof buffer, 0);
    sendto(b, buffer, 32, 0, reinterpret_cast<sockaddr*>(&aAddr), sizeof aAddr);
    recv(a, buffer, sizeof buffer, 0);
  }
  record(state, "udp", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  close(a);
  close(b);
}

// A hosted game with a joined session, one player each.
struct Pair {
  Session host, joiner;
  uint32_t hp = 0, jp = 0;
  bool ok = false;
  Pair() {
    korva::net::settings().port = freeLoopbackPort(SOCK_DGRAM);
    korva::net::settings().loopbackDiscovery = true;
    if (host.finishStart(host.hostGame("bench")) != 2) return;
    hp = host.createPlayer("host");
    if (joiner.finishStart(joiner.joinGame("bench", "")) != 1) return;
    jp = joiner.createPlayer("joiner");
    ok = hp && jp && await(host, 100) && await(joiner, 100);
  }
  static bool await(Session& s, int type) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline)
      if (s.receive() && s.message().type == type) return true;
    return false;
  }
};

void BM_SessionRoundTrip(benchmark::State& state) {
  Pair p;
  if (!p.ok) return state.SkipWithError("no game on loopback");
  std::string text(32 - korva::net::kPacketHeader, 'x');
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    p.joiner.send(1, text, p.jp, p.hp, true);
    if (!Pair::await(p.host, 1)) return state.SkipWithError("lost");
    p.host.send(2, text, p.hp, p.jp, true);
    if (!Pair::await(p.joiner, 2)) return state.SkipWithError("lost");
  }
  record(state, "session", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

void BM_SessionBurst(benchmark::State& state) {
  Pair p;
  if (!p.ok) return state.SkipWithError("no game on loopback");
  constexpr int kBurst = 1000;
  std::string text(32 - korva::net::kPacketHeader, 'x');
  for (auto _ : state) {
    for (int i = 0; i < kBurst; ++i) p.joiner.send(1, text, p.jp, p.hp, true);
    for (int i = 0; i < kBurst; ++i)
      if (!Pair::await(p.host, 1)) return state.SkipWithError("lost");
  }
  state.SetItemsProcessed(state.iterations() * kBurst);
}

}  // namespace

BENCHMARK(BM_UdpRoundTrip)->UseRealTime();
BENCHMARK(BM_SessionRoundTrip)->UseRealTime();
BENCHMARK(BM_SessionBurst)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_seconds.count("udp") && g_seconds.count("session"))
    std::printf("\nround trip of a 32-byte message: bare UDP %.1f us, guaranteed session message %.1f us, "
                "ratio %.1f\n",
                g_seconds["udp"] * 1e6, g_seconds["session"] * 1e6, g_seconds["session"] / g_seconds["udp"]);
  if (g_seconds.count("udp") && g_seconds.count("session"))
    korva::bench::compare("net: round trip of a guaranteed message vs bare UDP", g_seconds["session"] * 1e6,
                          g_seconds["udp"] * 1e6, "us", korva::bench::Better::Lower);
}
