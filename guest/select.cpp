// Choosing the CPU backend: once per process, before the first stub is written, so every
// stub has the form of the backend that runs it.
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "guest/backend.h"
#include "guest/private/backend.h"

namespace korva::guest {
namespace {

std::optional<std::string> g_preference;
uint16_t g_probeSelector = 0;
std::mutex g_probeLock;
std::optional<std::string> g_nativeReason;  // the probe's verdict, once made
std::atomic<const CpuBackend*> g_prepared{nullptr};

struct Decision {
  CpuChoice choice;
  const CpuBackend* backend = nullptr;
  bool probed = false;  // native because the probe passed, not because it was asked for
};

Decision decide() {
  std::string asked, by;
  if (g_preference) {
    asked = *g_preference;
    by = "asked for with --cpu";
  } else if (const char* env = std::getenv("KORVA_CPU"); env && *env) {
    asked = env;
    by = "asked for by KORVA_CPU";
  }
  if (asked == "emulated") return {{true, "emulated", by}, &emulatedBackend()};
  if (!asked.empty() && asked != "native")
    return {{false, asked, "KORVA_CPU must be native or emulated, not \"" + asked + "\""}, nullptr};

  std::string why = nativeUnavailableReason();
  if (why.empty())
    return {{true, "native", asked.empty() ? "this host runs 32-bit code" : by}, nativeBackend(), asked.empty()};
  if (!asked.empty()) return {{false, "native", "the native CPU cannot run here: " + why}, nullptr};
  return {{true, "emulated", "the native CPU cannot run here: " + why}, &emulatedBackend()};
}

Decision& decision() {
  static Decision d = [] {
    Decision made = decide();
    if (made.backend) {
      std::string failure = made.backend->prepare();
      if (!failure.empty()) {
        bool fallBack = made.probed;
        made.choice = {fallBack, made.choice.name, "the " + made.choice.name + " CPU cannot run here: " + failure};
        made.backend = nullptr;
        if (fallBack) {
          made.choice.name = "emulated";
          made.backend = &emulatedBackend();
          // The emulator's library may be missing too.
          if (std::string why = made.backend->prepare(); !why.empty()) {
            made.choice = {false, "emulated", made.choice.reason + "; the emulated CPU cannot either: " + why};
            made.backend = nullptr;
          }
        }
      }
    }
    g_prepared.store(made.backend);
    return made;
  }();
  return d;
}

}  // namespace

bool preferCpu(std::string_view name) {
  if (name != "native" && name != "emulated" && !name.empty()) return false;
  g_preference = std::string(name);
  return true;
}

const CpuChoice& cpuChoice() { return decision().choice; }

const CpuBackend* activeBackend() { return decision().backend; }

const CpuBackend* preparedBackend() { return g_prepared.load(); }

std::string nativeUnavailableReason() {
  std::lock_guard lock(g_probeLock);
  if (!g_nativeReason) g_nativeReason = nativeProbe(g_probeSelector);
  return *g_nativeReason;
}

namespace testing {
void probeWithSelector(uint16_t guestCode) {
  std::lock_guard lock(g_probeLock);
  g_probeSelector = guestCode;
  g_nativeReason.reset();
}
}  // namespace testing

}  // namespace korva::guest
