#include "machine/mach3_members.h"

namespace kestrom::mach3 {

const std::vector<MemberSpec>& ScriptMembers() {
  using K = Arg::Kind;
  static const std::vector<MemberSpec> members = {
      {"JogOn", {K::RefI4, K::I2}}, {"JogOff", {K::RefI4}}, {"IsEstop", {}},
      {"IsStopped", {}}, {"IsSafeZ", {}}, {"IsMoving", {}},
      {"IsFirst", {}}, {"IsLoading", {}}, {"GetDROString", {K::RefI4}},
      {"SetDRO", {K::RefI4, K::RefR8}}, {"Message", {K::RefBstr}}, {"code", {K::RefBstr}},
      {"LoadFile", {K::RefBstr}}, {"RunFile", {}}, {"FileName", {}},
      {"DoOEMButton", {K::RefI4}}, {"GetRPM", {}}, {"SetSpinSpeed", {K::RefR8}},
      {"FeedRate", {}}, {"SetFeedRate", {K::RefR8}}, {"GetSafeZ", {}},
      {"SetSafeZ", {K::RefR8}}, {"GotoSafeZ", {}}, {"DoSpinCW", {}},
      {"DoSpinCCW", {}}, {"DoSpinStop", {}}, {"RunProgram", {K::RefBstr}},
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
