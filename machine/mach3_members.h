// Every scripting member Kestrom calls on Mach3, with the kinds of the
// arguments it sends, once: the operations in cmach_operations.cpp call exactly
// these (a native test runs each operation and holds it to this list), and the
// Mach3 check looks up each of them.
#pragma once
#include <string>
#include <vector>

#include "machine/automation.h"

namespace kestrom::mach3 {

struct MemberSpec {
  const char* name;
  std::vector<Arg::Kind> args;
};

const std::vector<MemberSpec>& ScriptMembers();
// "VT_BYREF|VT_I4", as a type library names the kind Kestrom sends.
std::string KindName(Arg::Kind kind);

}  // namespace kestrom::mach3
