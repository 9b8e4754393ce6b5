#include "machine/mach3_members.h"

namespace kestrom::mach3 {

const std::vector<MemberSpec>& ScriptMembers() {
  using K = Arg::Kind;
  static const std::vector<MemberSpec> members = {
      {"JogOn", {K::RefI4, K::I2}, false},     {"JogOff", {K::RefI4}, false},
      {"IsEstop", {}, true},                   {"IsStopped", {}, true},
      {"IsSafeZ", {}, true},                   {"IsMoving", {}, true},
      {"IsFirst", {}, true},                   {"IsLoading", {}, true},
      {"GetDROString", {K::RefI4}, true},      {"SetDRO", {K::RefI4, K::RefR8}, false},
      {"Message", {K::RefBstr}, false},        {"code", {K::RefBstr}, false},
      {"LoadFile", {K::RefBstr}, false},       {"RunFile", {}, false},
      {"FileName", {}, true},                  {"DoOEMButton", {K::RefI4}, false},
      {"GetRPM", {}, true},                    {"SetSpinSpeed", {K::RefR8}, false},
      {"FeedRate", {}, true},                  {"SetFeedRate", {K::RefR8}, false},
      {"GetSafeZ", {}, true},                  {"SetSafeZ", {K::RefR8}, false},
      {"GotoSafeZ", {}, false},                {"DoSpinCW", {}, false},
      {"DoSpinCCW", {}, false},                {"DoSpinStop", {}, false},
      {"RunProgram", {K::RefBstr}, false},
  };
  return members;
}

std::string KindName(Arg::Kind kind) {
  switch (kind) {
    case Arg::Kind::RefI4: return "VT_BYREF|VT_I4";
    case Arg::Kind::RefR8: return "VT_BYREF|VT_R8";
    case Arg::Kind::RefBstr: return "VT_BYREF|VT_BSTR";
    case Arg::Kind::I2: return "VT_I2";
  }
  return "?";
}

}  // namespace kestrom::mach3
