// Input queries per second, next to the bare SDL event pump that every keyboard or mouse
// query goes through: what the device layer adds on top of it.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <string>

#include "bench/harness.h"
#include "bench/report.h"
#include "app/module_list.h"
#include "input/commands/input_commands.h"
#include "window/runtime_window.h"

using namespace korva;

namespace {

// A runtime window with the input module started, for the length of one benchmark.
struct InputRun : bench::ModuleRun {
  InputRun() : ModuleRun(input_module()) {}
};

void SdlPollEvent_Reference(benchmark::State& state) {
  InputRun run;
  SDL_Event event;
  for (auto _ : state) benchmark::DoNotOptimize(SDL_PollEvent(&event));
  state.SetItemsProcessed(state.iterations());
}

void KeyDown_Query(benchmark::State& state) {
  InputRun run;
  if (!run.started) state.SkipWithError("no input module");
  for (auto _ : state) benchmark::DoNotOptimize(input::KeyDown(30));
  state.SetItemsProcessed(state.iterations());
}

void MouseXSpeed_Query(benchmark::State& state) {
  InputRun run;
  if (!run.started) state.SkipWithError("no input module");
  for (auto _ : state) benchmark::DoNotOptimize(input::MouseXSpeed());
  state.SetItemsProcessed(state.iterations());
}

// A pad read as often as a program may ask: SDL is asked at most every 3 ms.
void JoyX_Query(benchmark::State& state) {
  InputRun run;
  SDL_InitSubSystem(SDL_INIT_JOYSTICK);
  int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 3, 15, 0);
  if (!run.started || index < 0) state.SkipWithError("no virtual pad");
  int port = 0;
  while (input::JoyType(port + 1) != 0) ++port;
  for (auto _ : state) benchmark::DoNotOptimize(input::JoyX(port));
  state.SetItemsProcessed(state.iterations());
  if (index >= 0) SDL_JoystickDetachVirtual(index);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

}  // namespace

BENCHMARK(SdlPollEvent_Reference);
BENCHMARK(KeyDown_Query);
BENCHMARK(MouseXSpeed_Query);
BENCHMARK(JoyX_Query);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::CpuTimes times;
  benchmark::RunSpecifiedBenchmarks(&times);
  benchmark::Shutdown();
  if (times.has("SdlPollEvent_Reference"))
    for (const char* query : {"KeyDown", "MouseXSpeed"})
      if (times.has(std::string(query) + "_Query"))
        korva::bench::compare(std::string("input: ") + query + " vs an SDL event pump", times[std::string(query) + "_Query"],
                              times["SdlPollEvent_Reference"], "ns", korva::bench::Better::Lower);
  if (times.has("JoyX_Query"))
    korva::bench::figure("input: JoyX", times["JoyX_Query"], "ns", korva::bench::Better::Lower);
}
