// A development environment's view: libkorva.so loaded with dlopen, driven through
// runtimeGetRuntime() and a Debugger of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>

#include "korva/runtime.h"
#include "support/event_debugger.h"
#include "support/process.h"
#include "support/programs.h"

namespace korva {
namespace {

RuntimeInterface* loadRuntime() {
  static RuntimeInterface* rt = [] {
    std::string path = test::buildDir() + "/libkorva.so";
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(lib, nullptr) << dlerror();
    if (!lib) return static_cast<RuntimeInterface*>(nullptr);
    auto get = reinterpret_cast<RuntimeInterface* (*)()>(dlsym(lib, "runtimeGetRuntime"));
    EXPECT_NE(get, nullptr);
    return get ? get() : nullptr;
  }();
  return rt;
}

class Hosted : public ::testing::Test {
 protected:
  void SetUp() override {
    rt = loadRuntime();
    ASSERT_NE(rt, nullptr);
  }
  uint32_t link(const std::string& program) {
    auto image = test::programImage(program);
    char message[128];
    uint32_t entry = rt->linkImage(image.data(), static_cast<uint32_t>(image.size()), message, sizeof(message));
    EXPECT_NE(entry, 0u) << message;
    return entry;
  }
  RuntimeInterface* rt = nullptr;
};

TEST_F(Hosted, VersionAndTheSameInterfaceEveryTime) {
  EXPECT_EQ(rt->version(), 153);
  EXPECT_EQ(loadRuntime(), rt);
}

TEST_F(Hosted, EnumerationPassesAndIdentityLookups) {
  rt->close();
  const char* end = "End";
  EXPECT_EQ(rt->symbolAddress(end), -1);

  std::vector<const char*> first;
  while (const char* s = rt->nextSymbol()) first.push_back(s);
  ASSERT_GT(first.size(), 40u);
  EXPECT_EQ(std::set<const char*>(first.begin(), first.end()).size(), first.size());

  std::vector<const char*> second;
  const char* endText = nullptr;
  while (const char* s = rt->nextSymbol()) {
    second.push_back(s);
    if (std::strcmp(s, "End") == 0) endText = s;
  }
  EXPECT_EQ(second, first);
  ASSERT_NE(endText, nullptr);
  // During a pass the registered pointer is known, a copy of the text is not.
  const char* again = rt->nextSymbol();
  ASSERT_NE(again, nullptr);
  int32_t address = rt->symbolAddress(endText);
  EXPECT_NE(address, -1);
  std::string copy = endText;
  EXPECT_EQ(rt->symbolAddress(copy.c_str()), -1);
  rt->close();
  EXPECT_EQ(rt->symbolAddress(endText), -1);
}

TEST_F(Hosted, LinkFailuresAreReported) {
  char message[64];
  uint8_t bad[] = {0x10, 0, 0, 0, 1};
  EXPECT_EQ(rt->linkImage(bad, sizeof(bad), message, sizeof(message)), 0u);
  EXPECT_STREQ(message, "Unable to run Korva Basic module");
  char tiny[8];
  EXPECT_EQ(rt->linkImage(bad, sizeof(bad), tiny, sizeof(tiny)), 0u);
  EXPECT_STREQ(tiny, "Unable ");
  uint32_t mem = rt->allocGuest(64);
  EXPECT_NE(mem, 0u);
  rt->freeGuest(mem);
}

TEST_F(Hosted, ExecuteReportsEndsAndErrors) {
  test::EventDebugger normal;
  rt->execute(link("fault_none"), "", &normal, 0, 0);
  EXPECT_EQ(normal.events(), std::vector<std::string>{"end Program has ended"});

  test::EventDebugger failing;
  rt->execute(link("raise"), "", &failing, 1, 0);
  EXPECT_EQ(failing.events(), std::vector<std::string>{"error boom"});

  test::EventDebugger ending;
  rt->execute(link("end"), "", &ending, 0, 0);
  EXPECT_EQ(ending.events(), std::vector<std::string>{"stmt 1 0"});
}

TEST_F(Hosted, AsyncEndFromTheEnvironmentsThread) {
  test::EventDebugger dbg;
  uint32_t entry = link("stmt_loop");
  std::atomic<bool> started{false};
  dbg.onEvent = [&](const std::string& e) {
    if (e == "stmt 100 0") started = true;
  };
  std::thread env([&] {
    while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    rt->asyncEnd();
  });
  rt->execute(entry, "", &dbg, 1, 1);
  env.join();
  EXPECT_GE(dbg.only("stmt").size(), 100u);
  EXPECT_TRUE(dbg.only("end").empty());
}

}  // namespace
}  // namespace korva
