// Runs every benchmark binary with short durations and gathers the figures they print
// (bench/report.h) into one table: benchmark, Korva figure, reference figure, ratio.
//
//   bench-report [--markdown] [--log FILE] BENCH_BINARY...
//
// The ratio is Korva's speed relative to the reference measured in the same run: 1.00 is as
// fast, 0.50 twice as slow, 2.00 twice as fast, whatever the unit. Each binary's own output
// goes to the log (default: bench-output.txt in the build folder, beside bench/).
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Row {
  std::string name;
  double korva = 0, reference = 0;
  bool hasReference = false;
  std::string unit;
  bool lowerIsBetter = false;
};

struct Outcome {
  std::string binary;
  std::vector<Row> rows;
  int exitCode = 0;
  double seconds = 0;
};

std::vector<std::string> split(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, sep)) out.push_back(field);
  if (!line.empty() && line.back() == sep) out.emplace_back();
  return out;
}

// A figure line of bench/report.h, or false.
bool parseRow(const std::string& line, Row& row) {
  size_t at = line.find("@korva-bench\t");
  if (at == std::string::npos) return false;
  auto f = split(line.substr(at), '\t');
  if (f.size() != 6 || f[0] != "@korva-bench") return false;
  char* end = nullptr;
  row.name = f[1];
  row.korva = std::strtod(f[2].c_str(), &end);
  if (end == f[2].c_str()) return false;
  row.hasReference = !f[3].empty();
  if (row.hasReference) row.reference = std::strtod(f[3].c_str(), nullptr);
  row.unit = f[4];
  row.lowerIsBetter = f[5] == "lower";
  return true;
}

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

Outcome runBinary(const std::string& binary, std::ofstream& log) {
  Outcome out;
  out.binary = binary.substr(binary.rfind('/') + 1);
  log << "==== " << binary << "\n";
  auto start = std::chrono::steady_clock::now();
  FILE* pipe = popen((shellQuote(binary) + " 2>&1").c_str(), "r");
  if (!pipe) {
    out.exitCode = -1;
    return out;
  }
  std::string line;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    line += buffer;
    if (line.back() != '\n') continue;
    log << line;
    line.pop_back();
    Row row;
    if (parseRow(line, row)) out.rows.push_back(row);
    line.clear();
  }
  int status = pclose(pipe);
  out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  log.flush();
  return out;
}

// Four significant digits, with k and M for large numbers.
std::string number(double v) {
  char buf[32];
  double a = v < 0 ? -v : v;
  if (a >= 1e9)
    std::snprintf(buf, sizeof buf, "%.3gG", v / 1e9);
  else if (a >= 1e6)
    std::snprintf(buf, sizeof buf, "%.4gM", v / 1e6);
  else if (a >= 1e4)
    std::snprintf(buf, sizeof buf, "%.4gk", v / 1e3);
  else
    std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

std::string ratio(const Row& r) {
  if (!r.hasReference || r.korva <= 0 || r.reference <= 0) return "-";
  const double v = r.lowerIsBetter ? r.reference / r.korva : r.korva / r.reference;
  char buf[32];
  // Two decimals, or two significant digits for the small ratios of emulated code.
  std::snprintf(buf, sizeof buf, v >= 0.1 ? "%.2f" : "%.2g", v);
  return buf;
}

std::string firstLineOf(const char* path, const char* key) {
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key, 0) == 0) {
      auto colon = line.find(':');
      std::string v = colon == std::string::npos ? line : line.substr(colon + 1);
      v.erase(0, v.find_first_not_of(" \t"));
      return v;
    }
  return "unknown";
}

std::string osName() {
  std::string name = firstLineOf("/etc/os-release", "PRETTY_NAME");
  if (name.find('=') != std::string::npos) name = name.substr(name.find('=') + 1);
  if (name.size() >= 2 && name.front() == '"') name = name.substr(1, name.size() - 2);
  return name;
}

std::vector<std::string> machine() {
  utsname u{};
  uname(&u);
  char memory[32];
  std::snprintf(memory, sizeof memory, "%.1f GiB", std::strtod(firstLineOf("/proc/meminfo", "MemTotal").c_str(), nullptr) / (1 << 20));
  char when[32];
  std::time_t now = std::time(nullptr);
  std::strftime(when, sizeof when, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  char loadText[16];
  std::snprintf(loadText, sizeof loadText, "%.2f", load);
  return {
      std::string("CPU: ") + firstLineOf("/proc/cpuinfo", "model name") + ", " +
          std::to_string(std::thread::hardware_concurrency()) + " cores",
      std::string("memory: ") + memory,
      std::string("system: ") + osName() + ", " + u.sysname + " " + u.release + " " + u.machine,
      std::string("run: ") + when + ", load average " + loadText + " at the end",
  };
}

std::string selfDirectory() {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path(exe, n > 0 ? size_t(n) : 0);
  return path.substr(0, path.rfind('/'));
}

}  // namespace

int main(int argc, char** argv) {
  bool markdown = false;
  // In the build folder, never where it happens to be started (a checkout's root).
  std::string logPath = selfDirectory() + "/../bench-output.txt";
  std::vector<std::string> binaries;
  bool unknownOption = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--markdown") == 0)
      markdown = true;
    else if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc)
      logPath = argv[++i];
    else if (argv[i][0] == '-')
      unknownOption = true;  // show the usage and run nothing
    else
      binaries.push_back(argv[i]);
  }
  if (unknownOption || binaries.empty()) {
    std::fprintf(stderr, "usage: bench-report [--markdown] [--log FILE] BENCH_BINARY...\n");
    return 2;
  }
  // Short runs: Google Benchmark reads its minimum time from here; set it to run longer.
  setenv("BENCHMARK_MIN_TIME", "0.05", 0);
  setenv("BENCHMARK_COLOR", "false", 0);
  // Headless, and the compiled programs where the build puts them (build/programs).
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("SDL_RENDER_DRIVER", "software", 0);
  setenv("KORVA_NO_MESSAGEBOX", "1", 0);
  setenv("KORVA_PROGRAMS_DIR", (selfDirectory() + "/../programs").c_str(), 0);
  std::ofstream log(logPath);

  std::vector<Outcome> outcomes;
  for (const std::string& b : binaries) {
    std::fprintf(stderr, "running %s ...", b.substr(b.rfind('/') + 1).c_str());
    std::fflush(stderr);
    outcomes.push_back(runBinary(b, log));
    const Outcome& o = outcomes.back();
    std::fprintf(stderr, " %zu figures, %.1f s%s\n", o.rows.size(), o.seconds,
                 o.exitCode ? (" (exit " + std::to_string(o.exitCode) + ")").c_str() : "");
  }

  size_t width = 9;
  for (const Outcome& o : outcomes)
    for (const Row& r : o.rows) width = std::max(width, r.name.size());
  int failures = 0;
  if (markdown) {
    for (const std::string& m : machine()) std::printf("- %s\n", m.c_str());
    std::printf("\n| Benchmark | Korva | Reference | Unit | Ratio |\n|---|---:|---:|---|---:|\n");
  } else {
    for (const std::string& m : machine()) std::printf("%s\n", m.c_str());
    std::printf("\n%-*s %10s %10s  %-8s %6s\n", int(width), "Benchmark", "Korva", "Reference", "Unit", "Ratio");
  }
  for (const Outcome& o : outcomes) {
    if (o.exitCode != 0) ++failures;
    if (o.rows.empty() || o.exitCode != 0) {
      std::string note = o.binary + (o.exitCode ? ": failed with exit " + std::to_string(o.exitCode) : ": no figures");
      if (markdown)
        std::printf("| %s | | | | |\n", note.c_str());
      else
        std::printf("%s\n", note.c_str());
    }
    for (const Row& r : o.rows) {
      std::string ref = r.hasReference ? number(r.reference) : "-";
      if (markdown)
        std::printf("| %s | %s | %s | %s | %s |\n", r.name.c_str(), number(r.korva).c_str(), ref.c_str(), r.unit.c_str(),
                    ratio(r).c_str());
      else
        std::printf("%-*s %10s %10s  %-8s %6s\n", int(width), r.name.c_str(), number(r.korva).c_str(), ref.c_str(),
                    r.unit.c_str(), ratio(r).c_str());
    }
  }
  std::printf("\nRatio: Korva's speed relative to the reference measured in the same run (1.00 as fast, "
              "0.50 twice as slow, 2.00 twice as fast). Each benchmark's own output: %s\n",
              logPath.c_str());
  return failures ? 1 : 0;
}
