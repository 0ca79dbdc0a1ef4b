#include "app/runtime.h"

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "guest/cpu.h"
#include "guest/memory.h"
#include "app/command_line.h"
#include "core/errors.h"
#include "link/linker.h"
#include "app/module_list.h"
#include "run/run_context.h"
#include "window/runtime_window.h"

namespace korva {
namespace {

const char* g_failCreate = nullptr;
void (*g_observer)(const char*, const char*) = nullptr;

void observe(const char* what, const char* module) {
  if (g_observer) g_observer(what, module);
}

// Errors reported anywhere in a run go to the run's debugger.
class RunSink : public ReportSink {
 public:
  explicit RunSink(RunContext& run) : run_(run) {}
  void reportError(const char* message) override { run_.runtimeError(message); }
  void reportEnd(const char* message) override { run_.programEnd(message); }

 private:
  RunContext& run_;
};

class Runtime final : public RuntimeInterface {
 public:
  int32_t version() override { return 153; }

  const char* nextSymbol() override {
    if (table_.empty()) {
      collecting_ = &table_;
      registerAll([](const char* decl, uint32_t address) { (*collecting_)[decl] = address; });
      collecting_ = nullptr;
      cursor_ = table_.begin();
    }
    if (cursor_ == table_.end()) {
      table_.clear();
      return nullptr;
    }
    return (cursor_++)->first;
  }

  int32_t symbolAddress(const char* decl) override {
    auto it = table_.find(decl);
    return it == table_.end() ? -1 : static_cast<int32_t>(it->second);
  }

  void setInstance(void* instance) override { instance_ = instance; }
  void close() override { table_.clear(); }

  void execute(uint32_t entry, const char* commandLine, Debugger* debugger, uint8_t debug,
               int32_t windowFlags) override {
    std::string line = trimBlanks(commandLine ? commandLine : "");
    std::unique_ptr<RuntimeWindow> window = RuntimeWindow::create(windowFlags);
    if (!window) return;
    {
      RunContext run(*window, debugger, line);
      current_.store(&run);
      RunSink sink(run);
      ReportSink* previous = reportSink();
      setReportSink(&sink);
      runStep(run, entry, debug != 0);
      setReportSink(previous);
      std::lock_guard lock(asyncLock_);
      current_.store(nullptr);
    }
  }

  // The environment's thread: the run may end meanwhile, so it is held while in use.
  void asyncStop() override {
    std::lock_guard lock(asyncLock_);
    if (RunContext* run = current_.load()) run->postSuspend();
  }
  void asyncRun() override {
    std::lock_guard lock(asyncLock_);
    if (RunContext* run = current_.load()) run->postResume();
  }
  void asyncEnd() override {
    std::lock_guard lock(asyncLock_);
    if (RunContext* run = current_.load()) {
      run->endAsync();
      // Guest code that never calls the run-time would not hear of it otherwise.
      guest::GuestCpu::requestEnd();
    }
  }
  void setOutputBuffer(char* buffer) override { output_ = buffer; }

  uint32_t allocGuest(uint32_t size) override { return guest::addr(guest::allocCode(size)); }
  void freeGuest(uint32_t address) override {
    if (address) guest::free(guest::ptr(address));
  }
  uint32_t linkImage(const void* image, uint32_t size, char* message, uint32_t messageSize) override {
    if (message && messageSize) message[0] = 0;
    if (!image && size) return 0;
    LinkResult r = korva::linkImage({static_cast<const uint8_t*>(image), size}, runtimeSymbolTable());
    if (r.status == LinkResult::Ok) return r.base;
    if (message && messageSize) {
      std::string text = r.message();
      size_t n = std::min<size_t>(text.size(), messageSize - 1);
      std::memcpy(message, text.data(), n);
      message[n] = 0;
    }
    return 0;
  }

 private:
  // Keyed by the text's address, not its contents: the pointer is the symbol's identity.
  std::map<const char*, uint32_t> table_;
  std::map<const char*, uint32_t>::iterator cursor_;
  static inline std::map<const char*, uint32_t>* collecting_ = nullptr;
  std::atomic<RunContext*> current_{nullptr};
  std::mutex asyncLock_;
  void* instance_ = nullptr;
  char* output_ = nullptr;
};

}  // namespace

RuntimeInterface& runtime() {
  static Runtime* r = new Runtime();
  return *r;
}

namespace {

void destroyModule(const ModuleDef& m) {
  observe("destroy", m.name);
  if (m.destroy) m.destroy();
}

}  // namespace

const char* runStep(RunContext& run, uint32_t entry, bool debug) {
  guest::GuestCpu::clearEndRequest();
  setDebugFlag(debug);
  auto mods = modules();
  size_t created = 0;
  for (; created < mods.size(); ++created) {
    const ModuleDef& m = *mods[created];
    observe("create", m.name);
    bool ok = !(g_failCreate && std::strcmp(g_failCreate, m.name) == 0) && (!m.create || m.create(run));
    if (!ok) {
      static std::string failure;
      failure = std::string("Startup Error: ") + m.name + "_create failed";
      run.programEnd(failure.c_str());
      while (created > 0) destroyModule(*mods[--created]);
      setDebugFlag(false);
      return "Unable to start program";
    }
  }

  const char* result = nullptr;
  try {
    if (!run.poll()) endQuietly();
    guest::GuestCpu cpu;
    cpu.call(entry);
    run.programEnd("Program has ended");
  } catch (const vxEx& e) {
    result = e.message;
  }

  for (size_t i = mods.size(); i > 0; --i) destroyModule(*mods[i - 1]);
  setDebugFlag(false);
  return result;
}

namespace testing {
void failModuleCreate(const char* module) { g_failCreate = module; }
void observeModules(void (*observer)(const char*, const char*)) { g_observer = observer; }
}  // namespace testing

}  // namespace korva

extern "C" __attribute__((visibility("default"))) korva::RuntimeInterface* runtimeGetRuntime() {
  return &korva::runtime();
}
