// The process entry of the standalone executable.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/errors.h"
#include "host/image_source.h"
#include "host/linker.h"
#include "host/run.h"

namespace korva {
namespace {

std::string selfPath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return {};
  buf[n] = 0;
  return buf;
}

class StderrSink : public ReportSink {
 public:
  void reportError(const char* message) override {
    if (reported_) return;
    reported_ = true;
    std::fprintf(stderr, "%s\n", message);
  }
  void reportEnd(const char*) override { reported_ = true; }

 private:
  bool reported_ = false;
};

}  // namespace

int korvaMain(int argc, char** argv) {
  std::string self = selfPath();
  auto image = carriedImage(self);
  int first = 1;
  if (!image) {
    if (argc < 2) {
      std::fprintf(stderr, "usage: korva PROGRAM [ARGS...]\n");
      return 2;
    }
    image = imageFromFile(argv[1]);
    first = 2;
    if (!image) {
      std::fprintf(stderr, "Unable to run Korva Basic module\n");
      return 255;
    }
  }
  (void)first;
  LinkResult linked = linkImage(*image, runtimeSymbolTable());
  if (linked.status != LinkResult::Ok) {
    std::fprintf(stderr, "%s\n", linked.message().c_str());
    return linked.exitCode() & 0xFF;
  }
  StderrSink sink;
  setReportSink(&sink);
  runProgram(linked.base);
  setReportSink(nullptr);
  return 0;
}

}  // namespace korva
