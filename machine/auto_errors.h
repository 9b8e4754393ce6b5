// The failures that the connection raises itself, numbered and worded as the
// automation runtime words them, so an operator sees the familiar texts.
#pragma once
#include "machine/automation.h"

namespace kestrom::auto_errors {

inline AutoError ObjectNotSet() { return {91, "Object variable or With block variable not set"}; }
inline AutoError TypeMismatch() { return {13, "Type mismatch"}; }
inline AutoError InvalidUseOfNull() { return {94, "Invalid use of Null"}; }
inline AutoError Overflow() { return {6, "Overflow"}; }
inline AutoError CannotCreateObject() { return {429, "ActiveX component can't create object"}; }
inline AutoError NoSuchMember() { return {438, "Object doesn't support this property or method"}; }
// RPC_E_TIMEOUT: Mach3's own thread, which serves every call, is busy or frozen.
inline AutoError NotAnswering() {
  return {static_cast<int32_t>(0x8001011Fu), "Automation error: Mach3 does not answer (busy or frozen)"};
}

}  // namespace kestrom::auto_errors
