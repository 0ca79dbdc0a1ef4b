#include "app/replay/routines.h"

#include <algorithm>

#include "app/module_list.h"
#include "guest/memory.h"

namespace korva::replay {
namespace {

struct Named {
  const char* name;
  Policy policy;
  int handleArg;
};

// Sorted by name for the lookup.
constexpr Named kPolicies[] = {
    {"AcceptTCPStream", Policy::Opens, -1},
    {"AvailVidMem", Policy::Outside, -1},
    {"ChannelPan", Policy::HandleWrite, 0},
    {"ChannelPitch", Policy::HandleWrite, 0},
    {"ChannelPlaying", Policy::Outside, -1},
    {"ChannelVolume", Policy::HandleWrite, 0},
    {"CloseDir", Policy::HandleWrite, 0},
    {"CloseFile", Policy::HandleWrite, 0},
    {"CloseTCPServer", Policy::HandleWrite, 0},
    {"CloseTCPStream", Policy::HandleWrite, 0},
    {"CommandLine", Policy::Outside, -1},
    {"CountGfxDrivers", Policy::Outside, -1},
    {"CountGfxModes", Policy::Outside, -1},
    {"CreateNetPlayer", Policy::Outside, -1},
    {"CreateTCPServer", Policy::Opens, -1},
    {"CurrentDate", Policy::Outside, -1},
    {"CurrentDir", Policy::Outside, -1},
    {"CurrentTime", Policy::Outside, -1},
    {"Delay", Policy::Skip, -1},
    {"DeleteNetPlayer", Policy::Skip, -1},
    {"Eof", Policy::HandleRead, 0},
    {"ExecFile", Policy::Skip, -1},
    {"FilePos", Policy::HandleRead, 0},
    {"FileSize", Policy::Outside, -1},
    {"FileType", Policy::Outside, -1},
    {"FindGfxMode", Policy::Outside, -1},
    {"Flip", Policy::Flip, -1},
    {"FlushJoy", Policy::Skip, -1},
    {"FlushKeys", Policy::Skip, -1},
    {"FlushMouse", Policy::Skip, -1},
    {"GetJoy", Policy::Outside, -1},
    {"GetKey", Policy::Outside, -1},
    {"GetMouse", Policy::Outside, -1},
    {"GfxDriver3D", Policy::Outside, -1},
    {"GfxDriverName", Policy::Outside, -1},
    {"GfxMode3D", Policy::Outside, -1},
    {"GfxModeDepth", Policy::Outside, -1},
    {"GfxModeExists", Policy::Outside, -1},
    {"GfxModeHeight", Policy::Outside, -1},
    {"GfxModeWidth", Policy::Outside, -1},
    {"HostNetGame", Policy::Outside, -1},
    {"Input", Policy::Outside, -1},
    {"JoinNetGame", Policy::Outside, -1},
    {"JoyDown", Policy::Outside, -1},
    {"JoyHit", Policy::Outside, -1},
    {"JoyType", Policy::Outside, -1},
    {"JoyWait", Policy::Outside, -1},
    {"JoyX", Policy::Outside, -1},
    {"JoyXDir", Policy::Outside, -1},
    {"JoyY", Policy::Outside, -1},
    {"JoyYDir", Policy::Outside, -1},
    {"JoyZ", Policy::Outside, -1},
    {"JoyZDir", Policy::Outside, -1},
    {"KeyDown", Policy::Outside, -1},
    {"KeyHit", Policy::Outside, -1},
    {"LoadAnimImage", Policy::Checked, -1},
    {"LoadBuffer", Policy::Checked, -1},
    {"LoadFont", Policy::Checked, -1},
    {"LoadImage", Policy::Checked, -1},
    {"LoadSound", Policy::Checked, -1},
    {"MilliSecs", Policy::Outside, -1},
    {"MouseDown", Policy::Outside, -1},
    {"MouseHit", Policy::Outside, -1},
    {"MouseWait", Policy::Outside, -1},
    {"MouseX", Policy::Outside, -1},
    {"MouseXSpeed", Policy::Outside, -1},
    {"MouseY", Policy::Outside, -1},
    {"MouseYSpeed", Policy::Outside, -1},
    {"MoveMouse", Policy::Skip, -1},
    {"NetMsgData", Policy::Outside, -1},
    {"NetMsgFrom", Policy::Outside, -1},
    {"NetMsgTo", Policy::Outside, -1},
    {"NetMsgType", Policy::Outside, -1},
    {"NetPlayerLocal", Policy::Outside, -1},
    {"NetPlayerName", Policy::Outside, -1},
    {"NextFile", Policy::Outside, -1},
    {"OpenFile", Policy::Checked, -1},
    {"OpenTCPStream", Policy::Opens, -1},
    {"PauseChannel", Policy::HandleWrite, 0},
    {"PlayCDTrack", Policy::Checked, -1},
    {"PlayMusic", Policy::Checked, -1},
    {"PlaySound", Policy::Opens, -1},
    {"ReadAvail", Policy::HandleRead, 0},
    {"ReadByte", Policy::HandleRead, 0},
    {"ReadBytes", Policy::HandleRead, 1},
    {"ReadDir", Policy::Opens, -1},
    {"ReadFile", Policy::Checked, -1},
    {"ReadFloat", Policy::HandleRead, 0},
    {"ReadInt", Policy::HandleRead, 0},
    {"ReadLine", Policy::HandleRead, 0},
    {"ReadShort", Policy::HandleRead, 0},
    {"ReadString", Policy::HandleRead, 0},
    {"RecvNetMsg", Policy::Outside, -1},
    {"ResumeChannel", Policy::HandleWrite, 0},
    {"SaveBuffer", Policy::Checked, -1},
    {"SaveImage", Policy::Checked, -1},
    {"ScanLine", Policy::Outside, -1},
    {"SeekFile", Policy::HandleRead, 0},
    {"SendNetMsg", Policy::Outside, -1},
    {"StartNetGame", Policy::Outside, -1},
    {"StopChannel", Policy::HandleWrite, 0},
    {"StopNetGame", Policy::Skip, -1},
    {"TotalVidMem", Policy::Outside, -1},
    {"VWait", Policy::Skip, -1},
    {"WaitJoy", Policy::Outside, -1},
    {"WaitKey", Policy::Outside, -1},
    {"WaitMouse", Policy::Outside, -1},
    {"WaitTimer", Policy::Outside, -1},
    {"Windowed3D", Policy::Outside, -1},
    {"WriteByte", Policy::HandleWrite, 0},
    {"WriteBytes", Policy::HandleWrite, 1},
    {"WriteFile", Policy::Checked, -1},
    {"WriteFloat", Policy::HandleWrite, 0},
    {"WriteInt", Policy::HandleWrite, 0},
    {"WriteLine", Policy::HandleWrite, 0},
    {"WriteShort", Policy::HandleWrite, 0},
    {"WriteString", Policy::HandleWrite, 0},
};

bool isSigil(char c) { return c == '%' || c == '#' || c == '$'; }

}  // namespace

std::string_view declarationName(std::string_view d) {
  if (!d.empty() && isSigil(d[0])) d.remove_prefix(1);
  size_t end = 0;
  while (end < d.size() && !isSigil(d[end])) ++end;
  return d.substr(0, end);
}

Policy policyOf(std::string_view name, int& handleArg) {
  static_assert(std::size(kPolicies) > 0);
  auto it = std::lower_bound(std::begin(kPolicies), std::end(kPolicies), name,
                             [](const Named& n, std::string_view key) { return std::string_view(n.name) < key; });
  handleArg = -1;
  if (it == std::end(kPolicies) || it->name != name) return Policy::Run;
  handleArg = it->handleArg;
  return it->policy;
}

std::vector<std::string_view> namedRoutines() {
  std::vector<std::string_view> names;
  for (const Named& n : kPolicies) names.emplace_back(n.name);
  return names;
}

RoutineTable::RoutineTable() {
  byStubIndex_.assign(guest::kTrapSize / 16, -1);
  for (const ModuleDef* module : modules()) {
    for (const SymbolDef& symbol : module->symbols) {
      if (!symbol.signature) continue;
      RoutineInfo info;
      info.declaration = symbol.decl;
      info.name = std::string(declarationName(symbol.decl));
      std::string signature = symbol.signature();
      info.result = signature.empty() ? 0 : signature[0];
      info.params = signature.empty() ? "" : signature.substr(1);
      info.policy = policyOf(info.name, info.handleArg);
      info.fillsBank = info.name == "ReadBytes";
      uint32_t stub = symbol.address();
      uint32_t slot = (stub - guest::kTrapBase) / 16;
      if (stub < guest::kTrapBase || slot >= byStubIndex_.size()) continue;
      byStubIndex_[slot] = static_cast<int32_t>(infos_.size());
      infos_.push_back(std::move(info));
    }
  }
}

const RoutineInfo* RoutineTable::byStub(uint32_t stub) const {
  uint32_t slot = (stub - guest::kTrapBase) / 16;
  if (stub < guest::kTrapBase || slot >= byStubIndex_.size() || byStubIndex_[slot] < 0) return nullptr;
  return &infos_[static_cast<size_t>(byStubIndex_[slot])];
}

const RoutineInfo* RoutineTable::byDeclaration(std::string_view declaration) const {
  for (const RoutineInfo& info : infos_)
    if (info.declaration == declaration) return &info;
  return nullptr;
}

}  // namespace korva::replay
