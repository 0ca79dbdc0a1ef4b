#include "support/process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace korva::test {
namespace {

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

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

std::string buildDir() {
  const char* d = std::getenv("KORVA_BUILD_DIR");
  return d ? d : ".";
}

std::string programPath(const std::string& name, const std::string& ext) {
  const char* d = std::getenv("KORVA_PROGRAMS_DIR");
  return std::string(d ? d : "programs") + "/" + name + ext;
}

}  // namespace korva::test
