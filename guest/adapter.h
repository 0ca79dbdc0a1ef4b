// Makes an ordinary typed C++ function callable from guest code: the argument words are
// converted by type (int32_t, float, vxStr*, pointers) and so is the result.
#pragma once
#include <bit>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "guest/memory.h"
#include "guest/trap.h"

namespace korva {
struct vxStr;
}

namespace korva::guest {

template <class T, class = void>
struct Conv;

template <>
struct Conv<int32_t> {
  static constexpr char sigil = '%';
  static int32_t from(uint32_t w) { return static_cast<int32_t>(w); }
  static void put(CallFrame& f, int32_t v) { f.result = static_cast<uint32_t>(v); }
};
template <>
struct Conv<uint32_t> {
  static constexpr char sigil = 'u';
  static uint32_t from(uint32_t w) { return w; }
  static void put(CallFrame& f, uint32_t v) { f.result = v; }
};
template <>
struct Conv<float> {
  static constexpr char sigil = '#';
  static float from(uint32_t w) { return std::bit_cast<float>(w); }
  static void put(CallFrame& f, float v) { f.fresult = v; }
};
template <>
struct Conv<vxStr*> {
  static constexpr char sigil = '$';
  static vxStr* from(uint32_t w) { return ptr<vxStr>(w); }
  static void put(CallFrame& f, vxStr* v) { f.result = addr(v); }
};
template <class T>
struct Conv<T*, std::enable_if_t<!std::is_same_v<std::remove_cv_t<T>, vxStr>>> {
  static constexpr char sigil = 'p';
  static T* from(uint32_t w) { return ptr<T>(w); }
  static void put(CallFrame& f, T* v) { f.result = addr(v); }
};

template <auto F>
struct Trampoline;

template <class R, class... A, R (*F)(A...)>
struct Trampoline<F> {
  static constexpr bool floatResult = std::is_same_v<R, float>;
  static constexpr int argCount = sizeof...(A);

  static void call(CallFrame& f) { invoke(f, std::index_sequence_for<A...>{}); }

  // The result sigil ('\0' for none) followed by one sigil per parameter.
  static std::string signature() {
    std::string s;
    if constexpr (std::is_void_v<R>)
      s += '\0';
    else
      s += Conv<R>::sigil;
    ((s += Conv<A>::sigil), ...);
    return s;
  }

 private:
  template <size_t... I>
  static void invoke(CallFrame& f, std::index_sequence<I...>) {
    if constexpr (std::is_void_v<R>)
      F(Conv<A>::from(f.args[I])...);
    else
      Conv<R>::put(f, F(Conv<A>::from(f.args[I])...));
  }
};

// The guest address of F's stub.
template <auto F>
uint32_t routineAddress() {
  static const uint32_t a =
      trapAddress(&Trampoline<F>::call, Trampoline<F>::floatResult, Trampoline<F>::argCount);
  return a;
}

}  // namespace korva::guest
