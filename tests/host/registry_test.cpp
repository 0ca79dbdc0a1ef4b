// Declaration texts, link names, and the registered functions' signatures.
#include <gtest/gtest.h>

#include <set>

#include "app/module_list.h"
#include "link/registry.h"

namespace korva {
namespace {

TEST(LinkName, FollowsTheRule) {
  EXPECT_EQ(linkName("_vxStrLoad"), "__vxStrLoad");
  EXPECT_EQ(linkName("_vxCStrType"), "__vxCStrType");
  EXPECT_EQ(linkName("%ImageRectCollide%image%x%y%frame%rect_x%rect_y%rect_width%rect_height"),
            "_fimagerectcollide");
  EXPECT_EQ(linkName("AppTitle$title"), "_fapptitle");
  EXPECT_EQ(linkName("End"), "_fend");
  EXPECT_EQ(linkName("$CommandLine"), "_fcommandline");
  EXPECT_EQ(linkName("RuntimeStats"), "_fruntimestats");
  EXPECT_EQ(linkName("%Rand%from%to=1"), "_frand");
  EXPECT_EQ(linkName("#Rnd#from#to=0"), "_frnd");
  EXPECT_EQ(linkName("$Input$prompt=\"\""), "_finput");
  // '_' after the first character stays; any other character cuts the name.
  EXPECT_EQ(linkName("%Max_Value%a"), "_fmax_value");
  EXPECT_EQ(linkName("Draw=Thing"), "_fdraw");
  EXPECT_EQ(linkName("Draw Thing"), "_fdraw");
  EXPECT_EQ(linkName("Log10#x"), "_flog10");
}

// The sigils of a declaration: result ('\0' for none) then one per parameter.
std::string declaredSigils(const char* decl) {
  std::string s;
  const char* p = decl;
  s += (*p == '%' || *p == '#' || *p == '$') ? *p++ : '\0';
  for (; *p; ++p) {
    if (*p == '%' || *p == '#' || *p == '$') {
      s += *p;
    } else if (*p == '=') {
      // a default: an integer literal or "" up to the next parameter
      ++p;
      if (*p == '"') {
        EXPECT_EQ(p[1], '"') << decl;
        p += 1;
      } else {
        if (*p == '-') ++p;
        while (p[1] >= '0' && p[1] <= '9') ++p;
      }
    }
  }
  return s;
}

std::vector<SymbolDef> everySymbol() {
  std::vector<SymbolDef> all;
  for (const ModuleDef* m : modules())
    for (const SymbolDef& s : m->symbols) all.push_back(s);
  return all;
}

TEST(Registry, EveryCommandsSigilsMatchItsFunction) {
  for (const SymbolDef& s : everySymbol()) {
    if (s.decl[0] == '_') continue;  // link symbols carry no types
    ASSERT_NE(s.signature, nullptr) << s.decl;
    EXPECT_EQ(declaredSigils(s.decl), s.signature()) << s.decl;
  }
}

TEST(Registry, NamesAreUniqueAndAddressesInTheGuest) {
  std::set<std::string> names;
  for (const SymbolDef& s : everySymbol()) {
    EXPECT_TRUE(names.insert(linkName(s.decl)).second) << "duplicate link name for " << s.decl;
    uint32_t a = s.address();
    EXPECT_NE(a, 0u) << s.decl;
    EXPECT_EQ(a, s.address()) << "address must be stable: " << s.decl;
  }
}

TEST(Registry, ModulesComeInTheFixedOrder) {
  std::vector<std::string> names;
  for (const ModuleDef* m : modules()) names.emplace_back(m->name);
  EXPECT_EQ(names, (std::vector<std::string>{"basic", "math", "string", "filesystem", "stream", "bank",
                                              "input", "audio", "multiplay", "graphics", "system"}));
}

TEST(Registry, RuntimeSymbolsFollowTheModules) {
  std::vector<std::string> order;
  static std::vector<std::string>* sink;
  sink = &order;
  registerAll([](const char* decl, uint32_t) { sink->emplace_back(decl); });
  auto own = system_module().symbols;
  ASSERT_GE(order.size(), own.size());
  EXPECT_EQ(order[order.size() - own.size()], "End");
}

}  // namespace
}  // namespace korva
