#include "support/process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace korva::test {

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string tempDir() {
  static std::string dir = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korva-test-XXXXXX").string();
    char* d = mkdtemp(tmpl.data());
    std::string path = d ? d : "/tmp";
    static std::string forCleanup = path;
    std::atexit([] { std::filesystem::remove_all(forCleanup); });
    return path;
  }();
  return dir;
}

ProcessResult runCommand(const std::string& command) {
  static int serial = 0;
  std::string out = tempDir() + "/out" + std::to_string(++serial);
  std::string err = out + ".err";
  std::string full = "(" + command + ") >" + out + " 2>" + err + " </dev/null";
  int status = std::system(full.c_str());
  ProcessResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.output = slurp(out);
  r.errors = slurp(err);
  return r;
}

double hostSlowdown() {
  const char* text = std::getenv("KORVA_TEST_SLOWDOWN");
  double factor = text ? std::atof(text) : 1;
  return factor >= 1 ? factor : 1;
}

uint64_t peakMemoryMiB() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  unsigned long long kib = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmHWM: %llu kB", &kib) == 1) break;
  std::fclose(f);
  return kib / 1024;
}

QuietStderr::QuietStderr() {
  std::fflush(stderr);
  saved_ = dup(2);
  int null = open("/dev/null", O_WRONLY);
  if (null >= 0) dup2(null, 2), close(null);
}

QuietStderr::~QuietStderr() {
  std::fflush(stderr);
  if (saved_ >= 0) dup2(saved_, 2), close(saved_);
}

std::string buildDir() {
  const char* d = std::getenv("KORVA_BUILD_DIR");
  return d ? d : ".";
}

std::string programPath(const std::string& name, const std::string& ext) {
  const char* d = std::getenv("KORVA_PROGRAMS_DIR");
  return std::string(d ? d : "programs") + "/" + name + ext;
}

}  // namespace korva::test
