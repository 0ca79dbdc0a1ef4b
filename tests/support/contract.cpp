#include "support/contract.h"

#include <cstring>
#include <new>

#include "guest/memory.h"
#include "core/errors.h"

namespace korva::test {
namespace {

std::vector<double> g_recorded;
int g_mode = 0;

int32_t testAdd(int32_t a, int32_t b) { return a + b; }
float testMix(int32_t a, float b, float c) { return static_cast<float>(a) * b + c; }
int32_t testTextLen(const char* text) {
  return static_cast<int32_t>(std::strlen(guest::checkedText(guest::addr(text))));
}
const char* testGreeting() {
  static char* text = [] {
    char* p = static_cast<char*>(guest::alloc(16));
    std::strcpy(p, "from host");
    return p;
  }();
  return text;
}
void testRecord(int32_t v) { g_recorded.push_back(v); }
void testRecordFloat(float v) { g_recorded.push_back(v); }
void testRaise() { raiseRuntimeError("boom"); }
void testBadAlloc() { throw std::bad_alloc(); }
void testThrow() { throw 42; }
int32_t testMode() { return g_mode; }

const SymbolDef kContractSymbols[] = {
    KORVA_ROUTINE("%TestAdd%a%b", testAdd),
    KORVA_ROUTINE("#TestMix%a#b#c", testMix),
    KORVA_ROUTINE("%TestTextLen%text", testTextLen),
    KORVA_ROUTINE("%TestGreeting", testGreeting),
    KORVA_ROUTINE("TestRecord%v", testRecord),
    KORVA_ROUTINE("TestRecordFloat#v", testRecordFloat),
    KORVA_ROUTINE("TestRaise", testRaise),
    KORVA_ROUTINE("TestBadAlloc", testBadAlloc),
    KORVA_ROUTINE("TestThrow", testThrow),
    KORVA_ROUTINE("%TestMode", testMode),
};

}  // namespace

std::span<const SymbolDef> contractSymbols() { return kContractSymbols; }
std::vector<double>& contractRecord() { return g_recorded; }
void setContractMode(int mode) { g_mode = mode; }
std::vector<double> expectedContractRecord() { return {42, -4, 4.75, 9.5, 12, 9, -1}; }

}  // namespace korva::test
