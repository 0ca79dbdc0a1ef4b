// TCP streams and servers on loopback: a raw socket plays the peer where its timing or its
// misbehaviour matters.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "core/handles.h"
#include "io_test.h"
#include "support/loopback.h"

namespace korva::test {
namespace {

using namespace io;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A plain socket connected to 127.0.0.1:port, closed when it goes.
class Peer {
 public:
  explicit Peer(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in addr = loopbackAddress(static_cast<uint16_t>(port));
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~Peer() { close(); }
  bool connected() const { return connected_; }
  void send(const std::string& bytes) const { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  std::string receive(size_t count) const {
    std::string out(count, '\0');
    size_t done = 0;
    while (done < count) {
      ssize_t n = recv(fd_, out.data() + done, count - done, 0);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    out.resize(done);
    return out;
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  bool connected_ = false;
};

class Tcp : public IoTest {
 protected:
  void SetUp() override {
    IoTest::SetUp();
    server = CreateTCPServer(0);
    ASSERT_NE(server, 0);
    port = io::testing::tcpServerPort(server);
    ASSERT_NE(port, 0);
  }
  void TearDown() override {
    stream_destroy();
    io::testing::setTcpReadTimeoutMs(0);
    IoTest::TearDown();
  }
  // The connection the server accepts next; the handshake may need a moment to land.
  int32_t accept() {
    for (auto end = Clock::now() + 5s; Clock::now() < end; std::this_thread::sleep_for(1ms))
      if (int32_t s = AcceptTCPStream(server)) return s;
    ADD_FAILURE() << "no connection accepted";
    return 0;
  }
  // Waits until n bytes wait on the stream (bounded, for bytes still under way).
  static void awaitAvail(int32_t s, int32_t n) {
    for (auto end = Clock::now() + 5s; ReadAvail(s) < n && Clock::now() < end;) std::this_thread::sleep_for(1ms);
  }

  int32_t server = 0;
  int32_t port = 0;
};

TEST_F(Tcp, APartialValueThenSilenceGivesTheBytesAfterTheTimeOut) {
  io::testing::setTcpReadTimeoutMs(150);
  Peer peer(port);
  int32_t s = accept();
  peer.send("\x34\x12");
  auto start = Clock::now();
  EXPECT_EQ(ReadInt(s), 0x1234);
  EXPECT_GE(Clock::now() - start, 150ms) << "it waited for the rest";
  EXPECT_EQ(Eof(s), -1);
  peer.send("more");
  EXPECT_EQ(ReadByte(s), 0) << "a failed stream reads nothing more";
  EXPECT_EQ(Eof(s), -1);
}

TEST_F(Tcp, APeerClosingAfterThreeBytes) {
  Peer peer(port);
  int32_t s = accept();
  peer.send("abc");
  peer.close();
  awaitAvail(s, 3);
  EXPECT_EQ(ReadAvail(s), 3);
  EXPECT_EQ(Eof(s), 0) << "bytes are still to be read";
  EXPECT_EQ(ReadShort(s), 'a' | 'b' << 8);
  EXPECT_EQ(ReadByte(s), 'c');
  EXPECT_EQ(Eof(s), 1);
  EXPECT_EQ(ReadInt(s), 0);
}

TEST_F(Tcp, AValueCutShortByTheClose) {
  Peer peer(port);
  int32_t s = accept();
  peer.send(std::string("\xFF\xFF\xFF\x7F" "0123456789", 14));  // announces 2 GiB
  peer.close();
  EXPECT_EQ(text(ReadString(s)), "0123456789");
  EXPECT_EQ(Eof(s), 1);
}

TEST_F(Tcp, ReadLineReturnsAsSoonAsTheLineFeedArrives) {
  Peer peer(port);
  int32_t s = accept();
  std::thread late([&] {
    peer.send("he");
    std::this_thread::sleep_for(30ms);
    peer.send("llo\r\nrest");
  });
  EXPECT_EQ(text(ReadLine(s)), "hello");
  late.join();
  EXPECT_EQ(Eof(s), 0) << "the read did not run into the time-out";
  awaitAvail(s, 4);
  EXPECT_EQ(ReadAvail(s), 4);
}

// A line is taken up to its line feed and no further: what follows stays for later reads.
TEST_F(Tcp, ReadLineTakesNothingBeyondItsLineFeed) {
  Peer peer(port);
  int32_t s = accept();
  peer.send(std::string("one\ntwo\r\n\x05\0\0\0three", 18));
  EXPECT_EQ(text(ReadLine(s)), "one");
  EXPECT_EQ(text(ReadLine(s)), "two");
  EXPECT_EQ(ReadInt(s), 5);
  peer.close();
  EXPECT_EQ(text(ReadLine(s)), "three");
  EXPECT_EQ(Eof(s), 1);
}

// A peer that sends a byte now and then keeps no read going past its time-out: the wait
// counts from the start of the command, not from the last byte.
TEST_F(Tcp, ATimeOutCountsFromTheStartOfTheCommand) {
  io::testing::setTcpReadTimeoutMs(300);
  const struct {
    const char* what;
    std::string first;  // sent at once
    std::function<void(int32_t)> read;
  } cases[] = {
      {"ReadLine", "", [](int32_t s) { vxStrRelease(ReadLine(s)); }},
      {"ReadString", std::string("\x10\x27\0\0", 4), [](int32_t s) { vxStrRelease(ReadString(s)); }},
      {"ReadBytes", "", [](int32_t s) {
         int32_t bank = CreateBank(10000);
         ReadBytes(bank, s, 0, 10000);
         FreeBank(bank);
       }},
  };
  for (const auto& c : cases) {
    Peer peer(port);
    int32_t s = accept();
    peer.send(c.first);
    std::atomic<bool> stop{false};
    std::thread dribble([&] {
      for (int i = 0; i < 100 && !stop; ++i) {
        peer.send("x");
        std::this_thread::sleep_for(40ms);
      }
    });
    auto start = Clock::now();
    c.read(s);
    auto took = Clock::now() - start;
    stop = true;
    dribble.join();
    EXPECT_GE(took, 300ms) << c.what;
    EXPECT_LT(took, 2s) << c.what << ": the dribble went on for 4 s";
    EXPECT_EQ(Eof(s), -1) << c.what;
  }
}

// A peer with more to send than guest memory can take: the string or line ends at the room
// there is, and the stream fails rather than the program.
TEST_F(Tcp, AFloodLongerThanGuestMemoryCanTakeFailsTheStream) {
  constexpr uint32_t kLeft = 8 << 20;
  const struct {
    std::string head;
    vxStr* (*read)(int32_t);
  } cases[] = {{std::string("\xF0\xFF\xFF\x7F", 4), &ReadString}, {"", &ReadLine}};
  for (const auto& c : cases) {
    Peer peer(port);
    int32_t s = accept();
    std::atomic<bool> stop{false};
    std::thread flood([&] {
      peer.send(c.head);
      const std::string block(1 << 20, 'q');
      for (int i = 0; i < 256 && !stop; ++i) peer.send(block);
    });
    std::string got;
    {
      GuestMemoryTaken taken(kLeft);
      ASSERT_TRUE(taken.taken());
      got = text(c.read(s));
    }
    stop = true;
    EXPECT_EQ(Eof(s), -1);
    CloseTCPStream(s);  // the flood ends at the reset
    flood.join();
    EXPECT_LE(got.size(), kLeft);
  }
}

// Running out of descriptors is a moment's trouble: the client waits in the queue and is
// taken once a descriptor is free again.
TEST_F(Tcp, AcceptGoesOnAfterRunningOutOfDescriptors) {
  std::vector<std::unique_ptr<Peer>> peers;
  for (int i = 0; i < 3; ++i) peers.push_back(std::make_unique<Peer>(port));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  int highest = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
    highest = std::max(highest, std::stoi(e.path().filename().string()));
  rlimit low = saved;
  low.rlim_cur = static_cast<rlim_t>(highest + 1);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> fillers;  // every free descriptor below the limit taken
  for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) fillers.push_back(fd);
  for (auto end = Clock::now() + 200ms; Clock::now() < end;) EXPECT_EQ(AcceptTCPStream(server), 0);
  for (int fd : fillers) close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
  for (size_t i = 0; i < peers.size(); ++i) EXPECT_NE(accept(), 0) << i;
}

TEST_F(Tcp, AcceptWithNoClientReturnsZeroAndTheServerStaysUsable) {
  EXPECT_EQ(AcceptTCPStream(server), 0);
  EXPECT_EQ(AcceptTCPStream(server), 0);
  Peer peer(port);
  EXPECT_NE(accept(), 0);
}

TEST_F(Tcp, FiftyClientsExchangeValuesWithOneServer) {
  constexpr int kClients = 50;
  std::vector<int32_t> clients, accepted;
  for (int i = 0; i < kClients; ++i) {
    clients.push_back(OpenTCPStream(S("127.0.0.1"), port));
    ASSERT_NE(clients.back(), 0) << i;
    accepted.push_back(accept());
    ASSERT_NE(accepted.back(), 0) << i;
  }
  for (int i = 0; i < kClients; ++i) {
    WriteInt(clients[i], i);
    WriteString(clients[i], S("client " + std::to_string(i)));
  }
  // Served in reverse order: every connection keeps its own bytes.
  for (int i = kClients - 1; i >= 0; --i) {
    int32_t n = ReadInt(accepted[i]);
    std::string name = text(ReadString(accepted[i]));
    WriteLine(accepted[i], S(name + " is number " + std::to_string(n)));
  }
  for (int i = 0; i < kClients; ++i)
    EXPECT_EQ(text(ReadLine(clients[i])), "client " + std::to_string(i) + " is number " + std::to_string(i));

  CloseTCPServer(server);
  for (int i = 0; i < kClients; ++i) {
    EXPECT_EQ(Stream::find(static_cast<uint32_t>(accepted[i])), nullptr);
    EXPECT_EQ(Eof(clients[i]), 1) << "the server's side closed";
  }
  setDebugFlag(true);
  EXPECT_EQ(errorOf([&] { Eof(accepted[0]); }), "Stream does not exist");
  EXPECT_EQ(errorOf([&] { CloseTCPServer(server); }), "TCP Server does not exist");
  EXPECT_EQ(errorOf([&] { AcceptTCPStream(server); }), "TCP Server does not exist");
  server = 0;
}

TEST_F(Tcp, ClosingAnAcceptedStreamRemovesItFromItsServer) {
  Peer peer(port);
  int32_t s = accept();
  CloseTCPStream(s);
  EXPECT_EQ(Stream::find(static_cast<uint32_t>(s)), nullptr);
  EXPECT_EQ(peer.receive(1), "") << "the peer sees the close";
  setDebugFlag(true);
  EXPECT_EQ(errorOf([&] { CloseTCPStream(s); }), "TCP Stream does not exist");
  MemoryStream m;
  EXPECT_EQ(errorOf([&] { CloseTCPStream(m.h()); }), "TCP Stream does not exist");
  setDebugFlag(false);
  CloseTCPStream(m.h());
  EXPECT_NE(Stream::find(m.handle()), nullptr) << "no other kind of stream is closed";
}

TEST_F(Tcp, NamesAndRefusedConnections) {
  int32_t byName = OpenTCPStream(S("localhost"), port);
  EXPECT_NE(byName, 0);
  EXPECT_NE(accept(), 0);
  // A bound socket that does not listen refuses connections on its port.
  int quiet = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  ASSERT_EQ(bind(quiet, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  getsockname(quiet, reinterpret_cast<sockaddr*>(&addr), &length);
  EXPECT_EQ(OpenTCPStream(S("127.0.0.1"), ntohs(addr.sin_port)), 0);
  close(quiet);
  EXPECT_EQ(CreateTCPServer(port), 0) << "the port is taken";
}

TEST_F(Tcp, WritingToAPeerThatVanishedFailsTheStreamOnly) {
  Peer peer(port);
  int32_t s = accept();
  peer.close();
  int32_t bank = CreateBank(64 * 1024);
  // The first writes may still be taken; the peer's reset then fails the stream, with no
  // signal that would end the process.
  int taken = 1;
  for (int i = 0; i < 1000 && taken > 0; ++i) taken = WriteBytes(bank, s, 0, 64 * 1024);
  EXPECT_EQ(taken, 0);
  EXPECT_EQ(Eof(s), -1);
  FreeBank(bank);
}

TEST_F(Tcp, ShutDownClosesServersAndOpenedStreams) {
  int32_t client = OpenTCPStream(S("127.0.0.1"), port);
  int32_t s = accept();
  stream_destroy();
  EXPECT_EQ(Stream::find(static_cast<uint32_t>(client)), nullptr);
  EXPECT_EQ(Stream::find(static_cast<uint32_t>(s)), nullptr);
  EXPECT_EQ(Handles::find(static_cast<uint32_t>(server), HandleKind::TcpServer), nullptr);
  Peer late(port);
  EXPECT_FALSE(late.connected()) << "nothing listens any more";
}

}  // namespace
}  // namespace korva::test
