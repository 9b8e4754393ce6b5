// The registry trees of COM classes over advapi32: HKLM or HKCU, Software\Classes.
#pragma once
#include <windows.h>

#include "sim/sim_registration.h"

namespace kestrom::sim {

class Win32ClassesStore : public ClassesStore {
 public:
  explicit Win32ClassesStore(HKEY root) : root_(root) {}
  bool Exists(const std::string& key) override;
  std::optional<std::string> Read(const std::string& key, const std::string& name) override;
  bool Write(const std::string& key, const std::string& name, const std::string& value) override;
  void DeleteTree(const std::string& key) override;

 private:
  HKEY root_;
};

}  // namespace kestrom::sim
