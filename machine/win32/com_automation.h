// The automation interface over real COM: IDispatch, VARIANT and BSTR.
#pragma once
#include "machine/automation.h"

namespace kestrom::win32 {

class ComAutomation : public Automation {
 public:
  Outcome<ObjectRef> GetActiveObject(const std::string& progId) override;
  Outcome<ObjectRef> QueryInterface(const ObjectRef& obj, const std::string& iid) override;
  Outcome<Value> InvokeById(const ObjectRef& obj, int32_t dispId) override;
  Outcome<Value> CallByName(const ObjectRef& obj, const std::string& member,
                            const std::vector<Arg>& args) override;
  void AddRefForever(const ObjectRef& obj) override;
  Outcome<MemberDescription> DescribeMember(const ObjectRef& obj, const std::string& member) override;
  Outcome<std::string> ClassIdOf(const std::string& progId) override;
};

}  // namespace kestrom::win32
