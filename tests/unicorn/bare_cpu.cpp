#include "unicorn/bare_cpu.h"

#include <unicorn/unicorn.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace bare {
namespace {

constexpr uint32_t kBase = 0x100000, kSize = 0x300000;
constexpr uint32_t kCode = 0x100000, kStub = 0x1F0000, kData = 0x200000, kStackTop = 0x300000;
constexpr uint32_t kBlocks = 4096;

struct Code {
  std::vector<uint8_t> bytes;
  void put(std::initializer_list<uint8_t> b) { bytes.insert(bytes.end(), b); }
  void put32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  uint32_t here() const { return kCode + static_cast<uint32_t>(bytes.size()); }
  // A rel32 operand for a jump whose instruction ends right after the operand.
  void rel32To(uint32_t target) { put32(target - (here() + 4)); }
};

uint32_t mix(uint32_t i) { return i * 2654435761u ^ (i >> 3); }

// Returns the code; end is the address of the final "hlt", where the run stops.
Code build(Program p, uint32_t n, uint32_t& end) {
  Code c;
  switch (p) {
    case Program::Counter: {
      uint32_t loop = c.here();
      c.put({0x83, 0x05}), c.put32(kData), c.put({0x01});  // add dword [data], 1
      c.put({0x83, 0xC3, 0x01});                           // add ebx, 1
      c.put({0x81, 0xFB}), c.put32(n);                     // cmp ebx, n
      c.put({0x0F, 0x85}), c.rel32To(loop);                // jne loop
      break;
    }
    case Program::Calls: {
      c.put({0x55, 0x89, 0xE5, 0x83, 0xEC, 0x08});                    // push ebp; mov ebp, esp; sub esp, 8
      c.put({0xC7, 0x45, 0xFC}), c.put32(0);                          // mov dword [ebp-4], 0  (i)
      c.put({0xC7, 0x45, 0xF8}), c.put32(0);                          // mov dword [ebp-8], 0  (sum)
      uint32_t loop = c.here();
      c.put({0xFF, 0x75, 0xFC});                                      // push dword [ebp-4]
      c.put({0xE8}), c.rel32To(kStub);                                // call stub
      c.put({0x83, 0xC4, 0x04, 0x01, 0x45, 0xF8, 0xFF, 0x45, 0xFC});  // add esp, 4; add [ebp-8], eax; inc dword [ebp-4]
      c.put({0x81, 0x7D, 0xFC}), c.put32(n);                          // cmp dword [ebp-4], n
      c.put({0x0F, 0x8C}), c.rel32To(loop);                           // jl loop
      c.put({0x8B, 0x45, 0xF8, 0xC9});                                // mov eax, [ebp-8]; leave
      break;
    }
    case Program::Blocks:
    case Program::ReturnBlocks: {
      c.put({0xB9}), c.put32(n);  // mov ecx, n
      uint32_t top = c.here();
      for (uint32_t b = 0; b < kBlocks; ++b) {
        c.put({0x83, 0x05}), c.put32(kData), c.put({0x01, 0x83, 0xC3, 0x01});  // add dword [data], 1; add ebx, 1
        if (p == Program::Blocks) {
          c.put({0xEB, 0x00});  // jmp next
        } else {
          c.put({0x68}), c.put32(c.here() + 5), c.put({0xC3});  // push next; ret
        }
      }
      c.put({0x49, 0x0F, 0x85}), c.rel32To(top);  // dec ecx; jnz top
      break;
    }
  }
  end = c.here();
  c.put({0xF4});
  return c;
}

struct State {
  Method method;
  std::atomic<bool> due{false};  // the other thread asks for a flush
  bool stopAsked = false;        // a hook stopped the engine for a flush
  uint32_t nextArg = 0;
  Outcome out;
};

uint32_t reg(uc_engine* uc, int r) {
  uint32_t v = 0;
  uc_reg_read(uc, r, &v);
  return v;
}

void onInterrupt(uc_engine* uc, uint32_t intno, void* user) {
  auto* s = static_cast<State*>(user);
  if (intno != 0x80 || reg(uc, UC_X86_REG_EIP) != kStub + 2) {
    s->out.error = "unexpected interrupt";
    uc_emu_stop(uc);
    return;
  }
  uint32_t arg = 0;
  uc_mem_read(uc, reg(uc, UC_X86_REG_ESP) + 4, &arg, 4);
  ++s->out.calls;
  // Counted once per break in the sequence, however far it jumps.
  if (arg > s->nextArg) ++s->out.skipped;
  if (arg < s->nextArg) ++s->out.repeated;
  s->nextArg = arg + 1;
  uint32_t result = mix(arg);
  uc_reg_write(uc, UC_X86_REG_EAX, &result);
  // Outside any block: nothing refers to the translated code while the hook runs.
  if (s->due.exchange(false, std::memory_order_relaxed)) {
    uc_ctl_flush_tb(uc);
    ++s->out.interventions;
  }
}

// Both run where the next block is known and none of it has run: EIP is exact.
void stopIfDue(uc_engine* uc, State* s) {
  if (!s->due.exchange(false, std::memory_order_relaxed)) return;
  s->stopAsked = true;
  uc_emu_stop(uc);
}
void onEdge(uc_engine* uc, uc_tb*, uc_tb*, void* user) { stopIfDue(uc, static_cast<State*>(user)); }
void onBlock(uc_engine* uc, uint64_t, uint32_t, void* user) { stopIfDue(uc, static_cast<State*>(user)); }

}  // namespace

const char* name(Program p) {
  switch (p) {
    case Program::Counter: return "counter";
    case Program::Calls: return "calls";
    case Program::Blocks: return "blocks";
    case Program::ReturnBlocks: return "return-blocks";
  }
  return "?";
}

const char* name(Method m) {
  switch (m) {
    case Method::OutsideStop: return "stop from outside, restart at EIP";
    case Method::OutsideStopFlush: return "stop from outside, flush, restart at EIP";
    case Method::InBand: return "flag from outside, flush or stop in hooks";
    case Method::InBandWithBlocks: return "the same, with a block hook";
  }
  return "?";
}

Outcome run(Program program, Method method, uint32_t iterations, uint32_t periodUs) {
  State s;
  s.method = method;
  uint32_t end = 0;
  Code code = build(program, iterations, end);

  uc_engine* uc = nullptr;
  if (uc_open(UC_ARCH_X86, UC_MODE_32, &uc) != UC_ERR_OK) return {.error = "uc_open failed"};
  uc_ctl_set_tcg_buffer_size(uc, 8u << 20);  // a flush costs about 1 ms at this size
  uc_mem_map(uc, kBase, kSize, UC_PROT_ALL);
  uc_mem_write(uc, kCode, code.bytes.data(), code.bytes.size());
  const uint8_t stub[] = {0xCD, 0x80, 0xC3};
  uc_mem_write(uc, kStub, stub, sizeof stub);
  uint32_t esp = kStackTop - 16;
  uc_reg_write(uc, UC_X86_REG_ESP, &esp);

  uc_hook h;
  uc_hook_add(uc, &h, UC_HOOK_INTR, reinterpret_cast<void*>(&onInterrupt), &s, 1, 0);
  bool inBand = method == Method::InBand || method == Method::InBandWithBlocks;
  if (inBand) uc_hook_add(uc, &h, UC_HOOK_EDGE_GENERATED, reinterpret_cast<void*>(&onEdge), &s, 1, 0);
  if (method == Method::InBandWithBlocks)
    uc_hook_add(uc, &h, UC_HOOK_BLOCK, reinterpret_cast<void*>(&onBlock), &s, 1, 0);

  std::atomic<bool> running{true};
  std::thread other([&] {
    while (running.load()) {
      std::this_thread::sleep_for(std::chrono::microseconds(periodUs));
      if (inBand)
        s.due.store(true, std::memory_order_relaxed);
      else
        uc_emu_stop(uc);
    }
  });

  auto started = std::chrono::steady_clock::now();
  uint32_t start = kCode;
  for (;;) {
    uc_err err = uc_emu_start(uc, start, end, 0, 0);
    if (err != UC_ERR_OK) {
      s.out.error = uc_strerror(err);
      break;
    }
    if (!s.out.error.empty()) break;
    start = reg(uc, UC_X86_REG_EIP);
    if (start == end) break;
    if (inBand && !s.stopAsked) {
      s.out.error = "stopped for no known reason";
      break;
    }
    s.stopAsked = false;
    ++s.out.interventions;
    if (method != Method::OutsideStop) uc_ctl_flush_tb(uc);
  }
  s.out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  running.store(false);
  other.join();

  uint32_t memory = 0, ebx = reg(uc, UC_X86_REG_EBX), eax = reg(uc, UC_X86_REG_EAX);
  uc_mem_read(uc, kData, &memory, 4);
  if (program == Program::Calls) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < iterations; ++i) sum += mix(i);
    s.out.resultRight = eax == sum && s.out.calls == iterations;
  } else {
    uint64_t expected = program == Program::Counter ? iterations : uint64_t(iterations) * kBlocks;
    if (memory > ebx) s.out.repeated += memory - ebx;
    if (ebx > memory) s.out.skipped += ebx - memory;
    s.out.resultRight = memory == uint32_t(expected) && ebx == uint32_t(expected);
  }
  uc_close(uc);
  return s.out;
}

}  // namespace bare
