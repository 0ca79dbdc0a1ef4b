#include "app/package/package_command.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/package/package_writer.h"
#include "app/package/run_tool.h"
#include "link/linker.h"
#include "link/program_file.h"

namespace fs = std::filesystem;

namespace korva::package {
namespace {

constexpr std::string_view kArchive = ".tar.gz";

struct Request {
  std::string program, out, assets;
};

std::optional<Request> parse(const std::vector<std::string>& args, std::string& error) {
  if (args.empty() || args[0].empty() || args[0][0] == '-') {
    error = "--package needs the program first";
    return std::nullopt;
  }
  Request r{args[0], "", ""};
  for (size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size() || args[i + 1].empty()) {
      error = args[i] + " needs a value";
      return std::nullopt;
    }
    if (args[i] == "-o") {
      r.out = args[i + 1];
    } else if (args[i] == "--assets") {
      r.assets = args[i + 1];
    } else {
      error = "--package takes -o OUT and --assets DIR, not " + args[i];
      return std::nullopt;
    }
  }
  if (r.out.empty()) error = "--package needs -o OUT";
  return r.out.empty() ? std::nullopt : std::optional(r);
}

bool isArchive(const std::string& out) {
  return out.size() > kArchive.size() && out.compare(out.size() - kArchive.size(), kArchive.size(), kArchive) == 0;
}

std::string megabytes(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

int fail(const std::string& text) {
  std::fprintf(stderr, "korva: %s\n", text.c_str());
  return 1;
}

// The folder is made beside the archive and packed under the archive's own name.
int packArchive(const PackagePlan& plan, const std::string& out, PackageReport& report) {
  std::error_code ec;
  if (fs::exists(out, ec)) return fail(out + " already exists");
  fs::path target = fs::absolute(out, ec);
  std::string staging = (target.parent_path() / ".korva-package-XXXXXX").string();
  if (!mkdtemp(staging.data())) return fail("cannot make a folder beside " + out);
  std::string top = target.filename().string();
  top.resize(top.size() - kArchive.size());
  std::string error = writePackage(plan, staging + "/" + top, report);
  if (error.empty()) {
    ToolResult tar = runTool({"tar", "--sort=name", "--owner=0", "--group=0", "--numeric-owner", "-czf",
                              target.string(), "-C", staging, top});
    if (!tar.started || tar.exitCode != 0) {
      error = tar.started ? "tar could not write " + out : "tar is not installed";
      fs::remove(target, ec);
    }
  }
  fs::remove_all(staging, ec);
  return error.empty() ? 0 : fail("cannot package: " + error);
}

}  // namespace

int packageCommand(const std::string& korva, const std::vector<std::string>& args) {
  std::string error;
  std::optional<Request> request = parse(args, error);
  if (!request) {
    std::fprintf(stderr, "korva: %s\nusage: korva --package PROGRAM -o OUT[.tar.gz] [--assets DIR]\n", error.c_str());
    return 2;
  }
  ProgramFile program = readProgramFile(request->program);
  if (!program.ok()) return fail("cannot package " + request->program + ": " + program.problem);
  if (std::string problem = imageLayoutProblem(program.image); !problem.empty())
    return fail("cannot package " + request->program + ": " + problem);

  PackagePlan plan;
  plan.korva = korva;
  plan.image = program.image;
  plan.name = fs::path(request->program).stem().string();
  if (plan.name.empty() || plan.name[0] == '.') plan.name = "game";
  plan.assets = request->assets;
  PackageReport report;
  if (isArchive(request->out)) {
    if (int status = packArchive(plan, request->out, report); status != 0) return status;
  } else if (error = writePackage(plan, request->out, report); !error.empty()) {
    return fail("cannot package: " + error);
  }

  std::error_code ec;
  std::printf("Packaged %s in %s: %zu files, %s", plan.name.c_str(), request->out.c_str(), report.files,
              megabytes(report.bytes).c_str());
  if (isArchive(request->out)) std::printf(" (%s packed)", megabytes(fs::file_size(request->out, ec)).c_str());
  std::printf(".\nThe player runs ./%s; it needs Linux on x86-64 with glibc %s and GCC's C++ library %s or newer.\n",
              plan.name.c_str(), report.glibc.c_str(), report.glibcxx.c_str());
  for (const std::string& note : report.notes) std::printf("note: %s\n", note.c_str());
  return 0;
}

}  // namespace korva::package
