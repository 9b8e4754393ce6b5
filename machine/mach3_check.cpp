#include "machine/mach3_check.h"

#include "machine/mach3_contract.h"
#include "machine/mach3_members.h"
#include "machine/mod_common.h"
#include "machine/value_convert.h"

namespace kestrom {
namespace {

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : separator) + item;
  return out;
}

bool Accepts(const std::string& takes, const std::string& sent) {
  return takes == sent || takes == "VT_VARIANT" || takes == "VT_BYREF|VT_VARIANT";
}

class Report {
 public:
  void Line(const std::string& text) { text_ += text + "\r\n"; }
  void Item(const std::string& label, const std::string& value) { Line("  " + label + ": " + value); }
  std::string text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace

Mach3Check CheckMach3(Automation& automation, SystemServices system, const CheckEnvironment& environment) {
  Mach3Check check;
  Report r;
  r.Line("Kestrom: Mach3'ü Denetle (Check Mach3)");
  r.Item("Kestrom", environment.kestromVersion);
  r.Item("Windows", environment.windows);
  r.Item("Mach3 program", environment.mach3Program.empty() ? "(not found)" : environment.mach3Program);
  r.Item("Mach3 version", environment.mach3Version.empty() ? "(none)" : environment.mach3Version);
  r.Line("");
  r.Line("Connection");
  r.Item("Mach3 running", modCommon::IsMach3Running(system.processes, system.environment) ? "yes" : "no");
  const bool registered = modCommon::IsMachProgIdRegistered(system.registry);
  const auto clsid = automation.ClassIdOf(mach3::kProgId);
  r.Item(std::string("ProgID ") + mach3::kProgId, registered ? "registered" : "not registered");
  r.Item("CLSID", (clsid.ok ? clsid.value : "not found (" + clsid.error.description + ")") + ", Kestrom expects " +
                      mach3::kClsid);

  ObjectRef script;
  const auto active = automation.GetActiveObject(mach3::kProgId);
  r.Item("Active document", active.ok ? "found" : "not found (" + active.error.description + ")");
  if (active.ok) {
    const auto document = automation.QueryInterface(active.value, mach3::kDocumentIid);
    r.Item(std::string("Document interface ") + mach3::kDocumentIid,
           document.ok ? "answering" : "not answering (" + document.error.description + ")");
    if (document.ok) {
      const auto member3 = automation.InvokeById(document.value, mach3::kScriptDispatchId);
      const bool object = member3.ok && member3.value.kind == Value::Kind::Object;
      r.Item("Member 3 (scripting object)",
             object ? "answering" : member3.ok ? "answers no object" : "not answering (" + member3.error.description + ")");
      if (object) script = member3.value.object;
    }
  }

  const auto& members = mach3::ScriptMembers();
  check.total = members.size();
  std::string lines;
  for (const mach3::MemberSpec& spec : members) {
    std::vector<std::string> sent;
    for (Arg::Kind kind : spec.args) sent.push_back(mach3::KindName(kind));
    const std::string sends = "Kestrom sends (" + Joined(sent, ", ") + ")";
    const auto described = script ? automation.DescribeMember(script, spec.name)
                                  : Outcome<MemberDescription>::Failure({91, "no scripting object"});
    std::string line = std::string("  ") + spec.name + ": ";
    if (!described.ok) {
      check.missing.push_back(spec.name);
      lines += line + "MISSING (" + described.error.description + ")\r\n";
      continue;
    }
    ++check.found;
    line += "found, id " + std::to_string(described.value.dispId);
    if (!described.value.typed) {
      line += "; no type information; " + sends;
    } else {
      const auto& takes = described.value.params;
      bool same = takes.size() == sent.size();
      for (size_t i = 0; same && i < takes.size(); ++i) same = Accepts(takes[i], sent[i]);
      line += "; Mach3 takes (" + Joined(takes, ", ") + "), " + sends + (same ? ": match" : ": DIFFERS");
      if (!same) check.mismatched.push_back(spec.name);
    }
    lines += line + "\r\n";
  }
  r.Line("");
  r.Line("Members: " + std::to_string(check.found) + " of " + std::to_string(check.total) + " found");
  r.Line(lines.substr(0, lines.size() - 2));

  r.Line("");
  r.Line("Read once");
  auto read = [&](const char* member, std::vector<Arg> args) -> std::string {
    if (!script) return "(no scripting object)";
    const auto answer = automation.CallByName(script, member, args);
    if (!answer.ok) return "failed (" + answer.error.description + ")";
    const auto text = ValueToText(answer.value);
    return text.ok ? "\"" + text.value + "\"" : "(no text)";
  };
  for (int axis = 0; axis < mach3::kAxisCount; ++axis)
    r.Item(std::string("GetDROString(") + std::to_string(axis) + ") " + mach3::kAxisLetters[axis],
           read("GetDROString", {Arg::RefI4(axis)}));
  r.Item("IsMoving", read("IsMoving", {}));
  r.Item("FileName", read("FileName", {}));
  check.report = r.text();
  return check;
}

std::string CheckSummary(const Mach3Check& check, const std::string& reportPath) {
  const std::string counts = std::to_string(check.found) + " of " + std::to_string(check.total);
  std::string text = "Mach3'ü Denetle: " + std::to_string(check.total) + " üyeden " + std::to_string(check.found) +
                     " tanesi bulundu (" + counts + " members found).";
  if (!check.missing.empty()) text += "\r\nEksik (missing): " + Joined(check.missing, ", ");
  if (!check.mismatched.empty()) text += "\r\nFarklı (different parameters): " + Joined(check.mismatched, ", ");
  return text + "\r\nRapor (report): " + reportPath;
}

}  // namespace kestrom
