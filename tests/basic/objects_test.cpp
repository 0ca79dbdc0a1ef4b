#include <gtest/gtest.h>

#include "basic_test.h"

namespace korva::test {
namespace {

using namespace basic;

class Objects : public BasicTest {
 protected:
  // Type Node: value%, name$, link.Node, score#
  UserType* node = nullptr;
  void SetUp() override {
    BasicTest::SetUp();
    node = makeType({intType(), strType(), 0, fltType()});
  }
  ObjHeader* make(int32_t value) {
    ObjHeader* o = ObjNew(node);
    fields(o)[0] = static_cast<uint32_t>(value);
    return o;
  }
  std::vector<int32_t> walk() {
    std::vector<int32_t> v;
    for (ObjHeader* o = ObjFirst(node); o; o = ObjNext(o)) v.push_back(static_cast<int32_t>(fields(o)[0]));
    return v;
  }
  std::vector<int32_t> walkBack() {
    std::vector<int32_t> v;
    for (ObjHeader* o = ObjLast(node); o; o = ObjPrev(o)) v.insert(v.begin(), static_cast<int32_t>(fields(o)[0]));
    return v;
  }
  static void link(ObjHeader* from, ObjHeader* to) { ObjStore(&fields(from)[2], to); }
};

TEST_F(Objects, NewLaysOutTheRecordAndAppendsIt) {
  ObjHeader* a = make(1);
  ObjHeader* b = make(2);
  EXPECT_EQ(a->fields, guest::addr(a) + 20);
  EXPECT_EQ(a->type, guest::addr(node));
  EXPECT_EQ(a->refs, 1);
  EXPECT_EQ(fields(a)[1], 0u);
  EXPECT_EQ(fields(a)[2], 0u);
  EXPECT_EQ(guest::addr(b) - guest::addr(a), 20u + 4 * 4);  // records in address order
  EXPECT_EQ(node->used.next, guest::addr(a));
  EXPECT_EQ(node->used.prev, guest::addr(b));
  EXPECT_EQ(b->next, guest::addr(&node->used));
  EXPECT_EQ(walk(), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(existingObjectCount(), 2u);
  EXPECT_EQ(unreleasedObjectCount(), 2u);
}

TEST_F(Objects, DeleteWhileHeldKeepsTheRecordUntilReleased) {
  ObjHeader* a = make(1);
  ObjHeader* b = make(2);
  uint32_t* v = var();
  ObjStore(v, a);
  EXPECT_EQ(a->refs, 2);
  ObjDelete(a);
  ObjDelete(a);  // already deleted: nothing
  EXPECT_EQ(*v, guest::addr(a));
  EXPECT_EQ(ObjCompare(a, nullptr), 0);
  EXPECT_EQ(ObjCompare(b, nullptr), 1);
  EXPECT_EQ(ObjCompare(b, b), 0);
  EXPECT_EQ(walk(), (std::vector<int32_t>{2}));
  EXPECT_EQ(existingObjectCount(), 1u);
  EXPECT_EQ(unreleasedObjectCount(), 2u);
  ObjHeader* c = make(3);
  EXPECT_NE(c, a);
  ObjStore(v, nullptr);
  EXPECT_EQ(unreleasedObjectCount(), 2u);
  EXPECT_EQ(node->free.prev, guest::addr(a));  // back at the end of the free list
  // Over-releasing neither frees a live object nor touches a free record.
  ObjRelease(b);
  ObjRelease(a);
  EXPECT_EQ(walk(), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(unreleasedObjectCount(), 2u);
}

TEST_F(Objects, FreedRecordsGoToTheEndOfTheFreeList) {
  UserType* empty = makeType({});
  ObjHeader* first = ObjNew(empty);
  ObjHeader* second = ObjNew(empty);
  ObjDelete(first);
  EXPECT_EQ(guest::addr(ObjNew(empty)), guest::addr(second) + 20);
  for (int i = 0; i < 509; ++i) ObjNew(empty);  // the rest of the first pool block
  EXPECT_EQ(ObjNew(empty), first);
  EXPECT_EQ(existingObjectCount(), 512u);
  ObjHeader* grown = ObjNew(empty);  // a second block
  EXPECT_EQ(grown->refs, 1);
  EXPECT_EQ(take(ObjToStr(grown)), "[]");
}

TEST_F(Objects, EachSkipsDeletedRecordsAndSurvivesDeletingTheCurrentOne) {
  for (int i = 1; i <= 5; ++i) make(i);
  ObjDelete(ObjNext(ObjFirst(node)));  // 2
  std::vector<int32_t> seen;
  uint32_t* v = var();
  for (int more = ObjEachFirst(v, node); more; more = ObjEachNext(v)) {
    auto* o = guest::ptr<ObjHeader>(*v);
    seen.push_back(static_cast<int32_t>(fields(o)[0]));
    if (fields(o)[0] == 3 || fields(o)[0] == 4) ObjDelete(o);
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{1, 3, 4, 5}));
  EXPECT_EQ(*v, 0u);
  EXPECT_EQ(walk(), (std::vector<int32_t>{1, 5}));
  EXPECT_EQ(unreleasedObjectCount(), 2u);  // the variable let go of 3 and 4
  ObjDeleteEach(node);
  EXPECT_EQ(ObjEachFirst(v, node), 0);
  EXPECT_EQ(ObjEachNext(v), 0);
  EXPECT_EQ(ObjFirst(node), nullptr);
  EXPECT_EQ(ObjLast(node), nullptr);
}

TEST_F(Objects, InsBeforeAndInsAfterMoveWithinTheList) {
  ObjHeader* a = make(1);
  ObjHeader* b = make(2);
  ObjHeader* c = make(3);
  EXPECT_EQ(ObjInsBefore(a, a), a);
  EXPECT_EQ(walk(), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(ObjInsBefore(c, a), c);
  EXPECT_EQ(walk(), (std::vector<int32_t>{3, 1, 2}));
  EXPECT_EQ(ObjFirst(node), c);
  ObjInsAfter(c, b);
  EXPECT_EQ(walk(), (std::vector<int32_t>{1, 2, 3}));
  ObjInsAfter(a, b);
  EXPECT_EQ(walk(), (std::vector<int32_t>{2, 1, 3}));
  EXPECT_EQ(walkBack(), walk());
  EXPECT_EQ(errorOf([&] { ObjInsAfter(a, nullptr); }), "Object does not exist");
  UserType* other = makeType({intType()});
  ObjHeader* stranger = ObjNew(other);
  ObjInsBefore(stranger, a);  // another type's list is left alone
  EXPECT_EQ(walk(), (std::vector<int32_t>{2, 1, 3}));
}

TEST_F(Objects, HandlesAreStableAndNeverReused) {
  UserType* other = makeType({});
  ObjHeader* a = make(1);
  ObjHeader* b = make(2);
  ObjHeader* x = ObjNew(other);
  EXPECT_EQ(ObjToHandle(a), 1);
  EXPECT_EQ(ObjToHandle(a), 1);
  EXPECT_EQ(ObjToHandle(b), 2);
  EXPECT_EQ(ObjToHandle(nullptr), 0);
  EXPECT_EQ(ObjFromHandle(1, node), a);
  EXPECT_EQ(ObjFromHandle(1, other), nullptr);
  EXPECT_EQ(ObjFromHandle(99, node), nullptr);
  EXPECT_EQ(ObjFromHandle(0, node), nullptr);
  ObjDelete(a);
  EXPECT_EQ(ObjFromHandle(1, node), nullptr);
  EXPECT_EQ(ObjToHandle(a), 0);
  EXPECT_EQ(ObjToHandle(x), 3);
  EXPECT_EQ(ObjFromHandle(3, other), x);
}

TEST_F(Objects, TextFormWithRootDepthAndDeletedFields) {
  ObjHeader* a = make(1);
  ObjHeader* b = make(-2);
  link(a, b);
  link(b, a);
  StrStore(&fields(a)[1], vxStrNew("x y"));
  fields(b)[3] = std::bit_cast<uint32_t>(0.5f);
  EXPECT_EQ(take(ObjToStr(a)), "[1,\"x y\",[-2,\"\",[ROOT],0.500000],0.000000]");
  EXPECT_EQ(take(ObjToStr(nullptr)), "[NULL]");

  // A chain deeper than eight levels.
  ObjHeader* head = make(0);
  ObjHeader* tail = head;
  for (int i = 1; i <= 9; ++i) {
    ObjHeader* n = make(i);
    link(tail, n);
    tail = n;
  }
  std::string text = take(ObjToStr(head));
  EXPECT_EQ(text.find("[7,\"\",....,0.000000]"), text.find("[7"));
  EXPECT_NE(text.find("...."), std::string::npos);
  EXPECT_EQ(text.find("[8"), std::string::npos);

  ObjDelete(b);
  EXPECT_EQ(take(ObjToStr(a)), "[1,\"x y\",[NULL],0.000000]");
  EXPECT_EQ(take(ObjToStr(b)), "[NULL]");

  UserType* odd = makeType({cstrType(), guest::addr(makeVector(2, intType()))});
  EXPECT_EQ(take(ObjToStr(ObjNew(odd))), "[???,???]");
}

TEST_F(Objects, DeleteEachWithCrossReferencesDeletesAll) {
  ObjHeader* a = make(1);
  ObjHeader* b = make(2);
  ObjHeader* c = make(3);
  link(a, b);
  link(b, a);
  link(c, c);
  ObjDeleteEach(node);
  EXPECT_EQ(existingObjectCount(), 0u);
  EXPECT_EQ(unreleasedObjectCount(), 0u);

  // A deleted record held only by its predecessor leaves the list in the middle of the walk;
  // everything after it must still go.
  ObjHeader* p = make(1);
  ObjHeader* q = make(2);
  make(3);
  make(4);
  link(p, q);
  ObjDelete(q);
  ObjDeleteEach(node);
  EXPECT_EQ(existingObjectCount(), 0u);
  EXPECT_EQ(unreleasedObjectCount(), 0u);
  EXPECT_EQ(walk(), std::vector<int32_t>{});
}

TEST_F(Objects, DeleteReleasesStringsObjectsAndVectors) {
  VecType* vec = makeVector(5, strType());
  UserType* holder = makeType({strType(), guest::addr(node), guest::addr(vec)});
  ObjHeader* target = make(7);
  ObjHeader* h = ObjNew(holder);
  ASSERT_NE(fields(h)[2], 0u);
  auto* elems = guest::ptr<uint32_t>(fields(h)[2]);
  for (int i = 0; i < 5; i += 2) elems[i] = guest::addr(vxStrNew("v"));
  StrStore(&fields(h)[0], vxStrNew("s"));
  ObjStore(&fields(h)[1], target);
  ObjDelete(target);
  EXPECT_EQ(unreleasedObjectCount(), 2u);
  EXPECT_EQ(liveStringCount(), 4u);
  ObjDelete(h);
  EXPECT_EQ(liveStringCount(), 0u);
  EXPECT_EQ(unreleasedObjectCount(), 0u);
}

TEST_F(Objects, RuntimeStatsPrintsCountsAndLiveStrings) {
  vxStr* s1 = vxStrNew("one");
  vxStr* s2 = vxStrNew("two");
  ObjHeader* a = make(1);
  make(2);
  uint32_t* v = var();
  ObjStore(v, a);
  ObjDelete(a);
  ::testing::internal::CaptureStdout();
  RuntimeStats();
  std::string out = ::testing::internal::GetCapturedStdout();
  char expect[160];
  std::snprintf(expect, sizeof expect,
                "Active strings:2\nActive objects:1\nUnreleased Objects:2\nstring@%08X\nstring@%08X\n",
                guest::addr(s1), guest::addr(s2));
  EXPECT_EQ(out, expect);
}

TEST_F(Objects, BadObjectPointersRaise) {
  auto* bad = static_cast<ObjHeader*>(outsideGuest());
  EXPECT_EQ(errorOf([&] { ObjDelete(bad); }), "Illegal memory address");
  EXPECT_EQ(errorOf([&] { ObjNew(static_cast<UserType*>(outsideGuest())); }), "Illegal memory address");
  EXPECT_EQ(errorOf([&] { ObjStore(static_cast<uint32_t*>(outsideGuest()), nullptr); }), "Illegal memory address");
  EXPECT_EQ(errorOf([&] { NullObjEx(); }), "Object does not exist");
  UserType* huge = makeType({});
  huge->fieldCount = 0x10000000;  // descriptor runs past guest memory
  EXPECT_EQ(errorOf([&] { ObjNew(huge); }), "Illegal memory address");
}

}  // namespace
}  // namespace korva::test
