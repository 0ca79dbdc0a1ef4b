// A fixture that runs each test inside one life of the basic module, with helpers that lay
// out descriptors in guest memory as a compiler would.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "basic/arrays.h"
#include "basic/objects.h"
#include "basic/strings.h"
#include "guest/memory.h"
#include "core/errors.h"
#include "app/module_list.h"
#include "basic/basic_module.h"
#include "support/error_of.h"

namespace korva::test {

// An address no guest allocation can have: below the guest region.
inline void* outsideGuest() { return reinterpret_cast<void*>(uintptr_t{0x1000}); }

class BasicTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(basic_create()); }
  void TearDown() override {
    basic_destroy();
    for (void* p : owned_) guest::free(p);
  }

  template <class T = uint32_t>
  T* guestWords(size_t count) {
    void* p = guest::allocZeroed(static_cast<uint32_t>(count * 4));
    owned_.push_back(p);
    return static_cast<T*>(p);
  }

  // A guest word slot: a string or object variable.
  uint32_t* var() { return guestWords(1); }

  static uint32_t builtin(const char* decl) {
    for (const SymbolDef& s : basic_module().symbols)
      if (std::strcmp(s.decl, decl) == 0) return s.address();
    ADD_FAILURE() << decl << " not registered";
    return 0;
  }
  static uint32_t intType() { return builtin("_vxIntType"); }
  static uint32_t fltType() { return builtin("_vxFltType"); }
  static uint32_t strType() { return builtin("_vxStrType"); }
  static uint32_t cstrType() { return builtin("_vxCStrType"); }

  // A user type whose field types are given as descriptor addresses; 0 stands for the type
  // itself.
  basic::UserType* makeType(std::initializer_list<uint32_t> fields) {
    auto* t = guestWords<basic::UserType>(12 + fields.size());
    uint32_t used = guest::addr(&t->used), free = guest::addr(&t->free);
    t->code = basic::kUserType;
    t->used = {0, used, used, 0, -1};
    t->free = {0, free, free, 0, -1};
    t->fieldCount = static_cast<uint32_t>(fields.size());
    auto* types = reinterpret_cast<uint32_t*>(t + 1);
    for (uint32_t f : fields) *types++ = f ? f : guest::addr(t);
    return t;
  }

  basic::VecType* makeVector(uint32_t count, uint32_t elemType) {
    auto* v = guestWords<basic::VecType>(3);
    *v = {basic::kVectorType, count, elemType};
    return v;
  }

  static uint32_t* fields(basic::ObjHeader* o) { return guest::ptr<uint32_t>(o->fields); }

  // The text of s, which is then released.
  static std::string take(vxStr* s) {
    std::string t(vxStrView(s));
    vxStrRelease(s);
    return t;
  }

 private:
  std::vector<void*> owned_;
};

}  // namespace korva::test
