// Named pipes for tests of what must never wait on one, and a watch that such a call
// returns: a call that does block is freed by opening the pipe's other ends, so the test
// fails instead of hanging.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace korva::test {

class Fifo {
 public:
  explicit Fifo(std::string path) : path_(std::move(path)) { made_ = mkfifo(path_.c_str(), 0600) == 0; }
  ~Fifo() { unlink(path_.c_str()); }
  Fifo(const Fifo&) = delete;
  Fifo& operator=(const Fifo&) = delete;
  bool made() const { return made_; }
  const std::string& path() const { return path_; }
  // Both ends open for a moment: an open waiting for the other end goes on, and a read
  // then finds the end of the data.
  void release() const {
    int fd = open(path_.c_str(), O_RDWR | O_NONBLOCK);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (fd >= 0) close(fd);
  }

 private:
  std::string path_;
  bool made_ = false;
};

// Runs call on a thread of its own; true when it returned within limit. If it did not, the
// FIFOs are released until it does, and the result is false.
inline bool returnsWithin(std::chrono::milliseconds limit, const std::function<void()>& call,
                          const std::vector<const Fifo*>& fifos) {
  // A write into a pipe whose reader went would raise SIGPIPE.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  std::thread worker([&] {
    call();
    done.set_value();
  });
  bool inTime = finished.wait_for(limit) == std::future_status::ready;
  while (finished.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
    for (const Fifo* f : fifos) f->release();
  worker.join();
  sigaction(SIGPIPE, &previous, nullptr);
  return inTime;
}

}  // namespace korva::test
