// The process entry of the standalone executable.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "guest/backend.h"
#include "app/capture/capture_run.h"
#include "app/cli/command_list.h"
#include "app/command_line.h"
#include "app/debuggers.h"
#include "link/image_source.h"
#include "app/module_list.h"
#include "app/package/carried_start.h"
#include "app/package/package_command.h"
#include "app/player_options.h"
#include "app/replay/session.h"
#include "link/linker.h"
#include "link/program_file.h"
#include "app/runtime.h"
#include "window/runtime_window.h"

namespace korva {
namespace {

constexpr const char* kUsage =
    "usage: korva [--debug] [--cpu native|emulated] PROGRAM [ARGS...]\n"
    "                                            run a module image or a Windows program carrying\n"
    "                                            one; the CPU is chosen at start-up unless named\n"
    "                                            here or in KORVA_CPU\n"
    "       korva [--scale N] [--fullscreen] [--scaling integer|fit|stretch] [--filter nearest|linear]\n"
    "             [--audio-buffer FRAMES] [--audio-device NAME] PROGRAM [ARGS...]\n"
    "                                            the same for a player: the window N times the game's\n"
    "                                            size, the desktop's full screen, how the picture is\n"
    "                                            scaled, the sound device (or KORVA_SCALE, ...)\n"
    "       korva --bundle PROGRAM -o OUT        write a standalone executable carrying PROGRAM\n"
    "       korva --package PROGRAM -o OUT[.tar.gz] [--assets DIR]\n"
    "                                            write a game players run with nothing installed:\n"
    "                                            its executable, libraries, files and DIR\n"
    "       korva --headless --frames N --screenshot DIR [--every K] [--input FILE] PROGRAM [ARGS...]\n"
    "                                            run without display or sound for N frames, saving\n"
    "                                            every K-th as DIR/frame-000123.png, with scripted input\n"
    "       korva --record FILE [--record-files] [--record-frames] [--record-memory] PROGRAM [ARGS...]\n"
    "                                            record what the program gets from outside into FILE\n"
    "       korva --replay FILE [--verify] PROGRAM  run the program on what FILE recorded; --verify\n"
    "                                            compares every frame with the recording's\n"
    "                                            (both go with the capture options; KORVA_RECORD=DIR\n"
    "                                            records every run into DIR)\n"
    "       korva --list-commands[=markdown|=c]  print every registered declaration (=c: as C\n"
    "                                            prototypes of their link names)\n"
    "       korva -h | --help                    this text\n"
    "       korva -v | --version                 the version and which CPU runs programs\n"
    "Options end at the program's name (or at --); what follows is the program's own.\n";

std::string selfPath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return {};
  buf[n] = 0;
  return buf;
}

// Ctrl-C ends the program as closing the window does; a second one ends the process.
void onInterrupt(int) {
  static std::atomic<int> count{0};
  if (count.fetch_add(1) > 0) _exit(130);
  RuntimeWindow::interrupt();
}

// Which CPU runs guest code and why, for --version.
std::string cpuLine() {
  const guest::CpuChoice& cpu = guest::cpuChoice();
  return cpu.ok ? "cpu: " + cpu.name + " (" + cpu.reason + ")" : "cpu: none: " + cpu.reason;
}

int fail(const std::string& text, int exitCode) {
  writeErrorLine(text);
  showMessageBox("Error", text);
  return exitCode & 0xFF;
}

// The failure text first, as programs and scripts expect it; then which file and why.
int failProgram(const std::string& text, const std::string& file, const std::string& problem, int exitCode) {
  if (problem.empty()) return fail(text, exitCode);
  std::string detail = file + ": " + problem;
  writeErrorLine(text);
  writeErrorLine(detail);
  showMessageBox("Error", text + "\n" + detail);
  return exitCode & 0xFF;
}

int unusableProgram(const std::string& file, const std::string& problem) {
  return failProgram("Unable to run Korva Basic module", file, problem, -1);
}

int usageError(const std::string& text) {
  std::fprintf(stderr, "korva: %s\n%s", text.c_str(), kUsage);
  return 2;
}

}  // namespace

int korvaMain(int argc, char** argv) {
  struct sigaction sa {};
  sa.sa_handler = &onInterrupt;
  sa.sa_flags = SA_ONSTACK;  // guest code's stack may be unusable when it arrives
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);

  RuntimeInterface& rt = runtime();
  rt.setInstance(nullptr);
  std::string self = selfPath();
  std::vector<std::string> args(argv + 1, argv + argc);
  bool debug = false;
  capture::CaptureOptions captureOptions;
  auto image = carriedImage(self);
  std::string programFile = self;  // named in errors about the program
  std::optional<capture::CaptureRun> capturing;
  replay::SessionOptions sessionOptions;

  if (image) {
    if (std::optional<int> status = package::startCarried(self, args, captureOptions)) return *status;
  } else {
    size_t i = 0;
    // Everything that starts with a dash before the program is an option; "--" ends them,
    // for a program whose name starts with one.
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
      if (args[i] == "--") {
        ++i;
        break;
      }
      if (args[i] == "--help" || args[i] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
      }
      if (args[i] == "--version" || args[i] == "-v") {
        std::printf("korva %s\n%s\n", KORVA_VERSION, cpuLine().c_str());
        return 0;
      }
      if (args[i] == "--cpu" || args[i].rfind("--cpu=", 0) == 0) {
        std::string name = args[i] == "--cpu" ? (i + 1 < args.size() ? args[++i] : "") : args[i].substr(6);
        if (name.empty() || !guest::preferCpu(name)) return usageError("--cpu takes native or emulated");
        continue;
      }
      std::string optionError;
      if (size_t used = replay::parseSessionOption(args, i, sessionOptions, optionError)) {
        if (!optionError.empty()) return usageError(optionError);
        i += used - 1;
        continue;
      }
      if (size_t used = capture::parseCaptureOption(args, i, captureOptions, optionError)) {
        if (!optionError.empty()) return usageError(optionError);
        i += used - 1;
      } else if (args[i] == "--list-commands" || args[i] == "--list-commands=markdown" || args[i] == "--list-commands=c") {
        std::string list = args[i] == "--list-commands"            ? commandListText()
                           : args[i] == "--list-commands=markdown" ? commandListMarkdown()
                                                                   : commandListC();
        std::fwrite(list.data(), 1, list.size(), stdout);
        return 0;
      } else if (args[i] == "--debug") {
        debug = true;
      } else if (args[i] == "--bundle") {
        if (i + 3 >= args.size() || args[i + 2] != "-o") {
          std::fputs(kUsage, stderr);
          return 2;
        }
        ProgramFile program = readProgramFile(args[i + 1]);
        if (!program.ok()) return unusableProgram(args[i + 1], program.problem);
        if (std::string problem = imageLayoutProblem(program.image); !problem.empty())
          return unusableProgram(args[i + 1], problem);
        std::string error = bundle(self, program.image, args[i + 3]);
        if (!error.empty()) return fail("korva: " + error, 1);
        return 0;
      } else if (size_t taken = parsePlayerOption(args, i, optionError)) {
        if (!optionError.empty()) return usageError(optionError);
        i += taken - 1;
      } else if (args[i] == "--package") {
        return package::packageCommand(self, {args.begin() + static_cast<long>(i) + 1, args.end()});
      } else {
        return usageError("unknown option " + args[i]);
      }
    }
    if (i >= args.size()) return usageError("no program named");
    if (std::string why = replay::checkSessionOptions(sessionOptions, !captureOptions.inputFile.empty()); !why.empty())
      return usageError(why);
    programFile = args[i];
    ProgramFile program = readProgramFile(programFile);
    if (!program.ok()) return unusableProgram(programFile, program.problem);
    image = std::move(program.image);
    args.erase(args.begin(), args.begin() + static_cast<long>(i) + 1);
  }
  if (captureOptions.active()) {
    capture::CaptureRun run(captureOptions);
    if (std::string error = run.prepare(); !error.empty()) {
      writeErrorLine("korva: " + error);
      return 2;
    }
    capturing.emplace(std::move(run));
  }

  // Names the game's settings file and screenshots; set before any thread starts.
  setGameName(programFile);

  // Before anything else starts a thread, and before a stub is written.
  if (const guest::CpuChoice& cpu = guest::cpuChoice(); !cpu.ok) {
    writeErrorLine("korva: " + cpu.reason);
    return 1;
  }

  uint32_t entry = 0;
  {
    LinkResult linked = linkImage(*image, runtimeSymbolTable());
    // A capture checks a build: a missing symbol must not pass as success.
    if (linked.status != LinkResult::Ok)
      return failProgram(linked.message(), programFile, linked.problem,
                         capturing && linked.exitCode() == 0 ? 1 : linked.exitCode());
    entry = linked.base;
  }

  if (const char* dir = std::getenv("KORVA_RECORD"); dir && *dir && !sessionOptions.active())
    sessionOptions.recordDir = dir;
  std::unique_ptr<replay::Session> session;
  if (sessionOptions.active()) {
    std::string error;
    session = replay::Session::start(sessionOptions, *image, programFile, debug, error);
    if (!session) {
      writeErrorLine("korva: " + error);
      // A player's game still runs when its recording folder cannot be written.
      if (sessionOptions.recordDir.empty()) return 2;
    } else {
      debug = session->debugFlag();
    }
  }

  // The process command line as the platform would hand it over, then split as ever.
  std::string line = joinArguments({argc > 0 ? argv[0] : "korva"});
  if (!args.empty()) line += " " + joinArguments(args);
  SplitCommandLine split = splitCommandLine(line);

  StandaloneDebugger standalone;
  ConsoleDebugger console;
  Debugger* debugger = debug ? static_cast<Debugger*>(&console) : &standalone;
  if (session) {
    debugger = &session->debugger(*debugger);
    session->install();
  }
  int status = 0;
  if (capturing)
    status = capturing->run(rt, entry, split.arguments.c_str(), *debugger, debug, session.get());
  else
    rt.execute(entry, split.arguments.c_str(), debugger, debug ? 1 : 0, 0);
  if (session) {
    session->uninstall();
    status = session->finish(status);
  }
  rt.close();
  std::fflush(stdout);
  return status;
}

}  // namespace korva
