// In-memory registry, process list and environment.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "machine/mach3_contract.h"
#include "machine/platform.h"

namespace kestrom::testing {

class FakeRegistry : public Registry {
 public:
  std::set<std::string> keys;                            // normalised paths
  std::map<std::string, std::pair<uint32_t, std::string>> values;  // "key|name" -> type, bytes
  bool writable = true;
  int opens = 0, creates = 0, writes = 0;
  std::set<RegKey> openKeys;
  std::vector<std::string> createdPaths;

  long OpenKey(RegRoot, const std::string& path, uint32_t, RegKey& key) override {
    ++opens;
    if (!keys.count(path)) return 2;  // file not found
    key = Handle(path);
    return 0;
  }
  RegKey CreateKey(RegRoot, const std::string& path) override {
    ++creates;
    createdPaths.push_back(path);
    if (!writable) return 0;
    keys.insert(path);
    return Handle(path);
  }
  long SetValue(RegKey key, const std::string& name, uint32_t type, const std::string& data) override {
    ++writes;
    if (!writable) return 5;  // access denied
    values[pathOf.at(key) + "|" + name] = {type, data};
    return 0;
  }
  void CloseKey(RegKey key) override { openKeys.erase(key); }

 private:
  RegKey Handle(const std::string& path) {
    const RegKey key = next_++;
    pathOf[key] = path;
    openKeys.insert(key);
    return key;
  }
  RegKey next_ = 1000;
  std::map<RegKey, std::string> pathOf;
};

class FakeSnapshot : public ProcessSnapshot {
 public:
  explicit FakeSnapshot(std::vector<ProcessRecord> r, bool firstFails) : records_(std::move(r)), firstFails_(firstFails) {}
  bool First(ProcessRecord& record) override {
    at_ = 0;
    if (records_.empty()) return false;
    if (firstFails_) {  // that entry is lost; the walk goes on after it
      at_ = 1;
      return false;
    }
    record = records_[at_++];
    return true;
  }
  bool Next(ProcessRecord& record) override {
    if (at_ >= records_.size()) return false;
    record = records_[at_++];
    return true;
  }

 private:
  std::vector<ProcessRecord> records_;
  bool firstFails_;
  size_t at_ = 0;
};

class FakeProcesses : public ProcessLister {
 public:
  std::vector<ProcessRecord> records;
  bool snapshotFails = false;
  bool firstFails = false;
  int snapshots = 0;

  void Add(uint32_t pid, const std::string& name) {
    ProcessRecord r;
    r.processId = pid;
    name.copy(r.exeFile.data(), std::min(name.size(), r.exeFile.size()));
    records.push_back(r);
  }
  std::unique_ptr<ProcessSnapshot> TakeSnapshot() override {
    ++snapshots;
    if (snapshotFails) return nullptr;
    return std::make_unique<FakeSnapshot>(records, firstFails);
  }
};

class FakeEnvironment : public Environment {
 public:
  std::map<std::string, std::string> vars;
  std::string Get(const std::string& name) override {
    auto it = vars.find(name);
    return it == vars.end() ? std::string() : it->second;
  }
};

// A machine PC as the connect sequence finds it: Mach3 running, ProgID registered.
struct FakeSystem {
  FakeRegistry registry;
  FakeProcesses processes;
  FakeEnvironment environment;
  FakeSystem() {
    processes.Add(0, "[System Process]");
    processes.Add(4, "System");
    processes.Add(1200, "C:\\Mach3\\Mach3.exe");
    registry.keys.insert(std::string(mach3::kProgId) + "\\");
    registry.keys.insert(std::string(mach3::kProgId) + "\\CLSID\\");
  }
  SystemServices Services() { return {registry, processes, environment}; }
};

}  // namespace kestrom::testing
