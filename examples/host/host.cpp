// A development environment in miniature: loads libkorva.so, links a module image through
// the run-time's interface and runs it under a debugger of its own that prints every
// callback on stdout.
//
//   korva-host [--lib PATH] [--end-after MS] PROGRAM.kbm [COMMAND LINE...]
//
// --lib: the run-time library (default: libkorva.so beside this program).
// --end-after: end the program from another thread after MS milliseconds, as an
// environment's stop button would.
// Exit status: 0 after a normal end, 1 after a run-time error or when nothing could run.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "korva/runtime.h"

namespace {

// Every callback comes on the thread that called execute(); nothing here needs a lock.
class PrintingDebugger final : public korva::Debugger {
 public:
  void debugRun() override { std::printf("run\n"); }
  void debugStop() override { std::printf("stop\n"); }
  void debugStmt(int32_t a, int32_t b) override { std::printf("stmt %d %d\n", a, b); }
  void debugEnter(int32_t a, int32_t b, int32_t c) override { std::printf("enter %d %d %d\n", a, b, c); }
  void debugLeave() override { std::printf("leave\n"); }
  void debugEnd(const char* message) override { std::printf("end %s\n", message); }
  void debugError(const char* message) override {
    std::printf("error %s\n", message);
    failed = true;
  }
  void debugLog(const char* text) override { std::printf("log %s\n", text); }
  bool failed = false;
};

std::string besideThisProgram(const char* name) {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path(exe, n > 0 ? size_t(n) : 0);
  return path.substr(0, path.rfind('/') + 1) + name;
}

int usage() {
  std::fprintf(stderr, "usage: korva-host [--lib PATH] [--end-after MS] PROGRAM.kbm [COMMAND LINE...]\n");
  return 2;
}

}  // namespace

// Beside this program in a build folder; in lib/ beside bin/ once installed.
std::string defaultLibrary() {
  std::string beside = besideThisProgram("libkorva.so");
  if (access(beside.c_str(), R_OK) == 0) return beside;
  return besideThisProgram("../" KORVA_HOST_LIBDIR "/libkorva.so");
}

int main(int argc, char** argv) {
  std::string library = defaultLibrary();
  int endAfterMs = -1;
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-'; i += 2) {
    if (std::strcmp(argv[i], "--lib") == 0)
      library = argv[i + 1];
    else if (std::strcmp(argv[i], "--end-after") == 0)
      endAfterMs = std::atoi(argv[i + 1]);
    else
      return usage();
  }
  if (i >= argc) return usage();
  std::string commandLine;
  for (int a = i + 1; a < argc; ++a) commandLine += std::string(a > i + 1 ? " " : "") + argv[a];

  void* lib = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    std::fprintf(stderr, "korva-host: %s\n", dlerror());
    return 1;
  }
  auto getRuntime = reinterpret_cast<korva::RuntimeInterface* (*)()>(dlsym(lib, "runtimeGetRuntime"));
  korva::RuntimeInterface* rt = getRuntime ? getRuntime() : nullptr;
  if (!rt) {
    std::fprintf(stderr, "korva-host: %s has no runtimeGetRuntime\n", library.c_str());
    return 1;
  }

  // What an environment's compiler would look at: every declaration the run-time offers.
  int symbols = 0;
  while (rt->nextSymbol()) ++symbols;
  std::printf("runtime version %d, %d symbols\n", rt->version(), symbols);

  std::ifstream file(argv[i], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "korva-host: cannot read %s\n", argv[i]);
    return 1;
  }
  std::vector<char> image(std::istreambuf_iterator<char>(file), {});
  char message[256];
  uint32_t entry = rt->linkImage(image.data(), uint32_t(image.size()), message, sizeof message);
  if (!entry) {
    std::printf("link failed: %s\n", message);
    return 1;
  }

  std::thread ender;
  std::atomic<bool> finished{false};
  if (endAfterMs >= 0)
    ender = std::thread([&] {
      auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(endAfterMs);
      while (!finished && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      // asyncEnd does nothing until execute has its window up: ask until the run is over.
      while (!finished) {
        rt->asyncEnd();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });

  PrintingDebugger debugger;
  rt->execute(entry, commandLine.c_str(), &debugger, 1, 0);
  finished = true;
  if (ender.joinable()) ender.join();
  rt->close();
  std::printf("execute returned\n");
  std::fflush(stdout);
  return debugger.failed ? 1 : 0;
}
