#include "machine/value_convert.h"

#include "machine/auto_errors.h"
#include "machine/number_text.h"

namespace kestrom {

Outcome<std::string> ValueToText(const Value& v) {
  using K = Value::Kind;
  switch (v.kind) {
    case K::Empty: return Outcome<std::string>::Success("");
    case K::Bool: return Outcome<std::string>::Success(v.boolean ? "True" : "False");
    case K::Integer: return Outcome<std::string>::Success(std::to_string(v.integer));
    case K::Real: return Outcome<std::string>::Success(FormatReal(v.real));
    case K::Text: return Outcome<std::string>::Success(v.text);
    case K::Null: return Outcome<std::string>::Failure(auto_errors::InvalidUseOfNull());
    case K::Object:
    case K::Other: break;
  }
  return Outcome<std::string>::Failure(auto_errors::TypeMismatch());
}

Outcome<double> ValueToDouble(const Value& v) {
  using K = Value::Kind;
  switch (v.kind) {
    case K::Empty: return Outcome<double>::Success(0.0);
    case K::Bool: return Outcome<double>::Success(v.boolean ? -1.0 : 0.0);
    case K::Integer: return Outcome<double>::Success(static_cast<double>(v.integer));
    case K::Real: return Outcome<double>::Success(v.real);
    case K::Text:
      if (auto d = ParseNumber(v.text)) return Outcome<double>::Success(*d);
      break;
    case K::Null: return Outcome<double>::Failure(auto_errors::InvalidUseOfNull());
    case K::Object:
    case K::Other: break;
  }
  return Outcome<double>::Failure(auto_errors::TypeMismatch());
}

bool ValueIsTrue(const Value& v) {
  if (v.kind == Value::Kind::Bool) return v.boolean;
  if (v.kind == Value::Kind::Integer) return v.integer != 0;
  if (v.kind == Value::Kind::Real) return v.real != 0.0;
  if (v.kind == Value::Kind::Text) {
    if (auto d = ParseNumber(v.text)) return *d != 0.0;
    return v.text == "True" || v.text == "true";
  }
  return false;
}

}  // namespace kestrom
