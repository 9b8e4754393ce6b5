// What SimMach3 registers so that a client in another process reaches its
// document: the ProgID, the document interface and SimMach3's own type library.
// It registers only what is missing and never replaces a registration that is
// there (an installed Mach3's); machine-wide where it may write, otherwise for
// the current user; and it takes away what it wrote when it ends, and at start
// what a killed SimMach3 of the same path left.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kestrom::sim {

// One registry tree of COM classes: HKLM\Software\Classes or HKCU\Software\Classes.
class ClassesStore {
 public:
  virtual ~ClassesStore() = default;
  virtual bool Exists(const std::string& key) = 0;
  // A value of a key ("" for its default value), or nothing.
  virtual std::optional<std::string> Read(const std::string& key, const std::string& name) = 0;
  // Creates the key as needed.
  virtual bool Write(const std::string& key, const std::string& name, const std::string& value) = 0;
  virtual void DeleteTree(const std::string& key) = 0;
};

extern const char* const kSimTypeLibraryId;
// The value SimMach3 leaves on the keys it writes: its own program's path.
extern const char* const kMarkerValue;

class Registrar {
 public:
  // `exePath`: SimMach3.exe's path; `bits`: 32 or 64, the type library's platform.
  Registrar(ClassesStore& machineWide, ClassesStore& perUser, std::string exePath, int bits);
  ~Registrar();  // Unregister()
  Registrar(const Registrar&) = delete;
  Registrar& operator=(const Registrar&) = delete;

  void RemoveLeftovers();
  // False when something missing could be written nowhere.
  bool Register(bool withProgId);
  void Unregister();

 private:
  struct Group {
    std::string key;  // its top key, which says whether it is there
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> values;  // key, name, value
    std::string markerKey, markerName;  // where SimMach3's path says the group is its own
  };
  std::vector<Group> Groups(bool withProgId) const;
  bool Own(ClassesStore& store, const Group& group);
  bool WriteGroup(ClassesStore& store, const Group& group);

  ClassesStore& machine_;
  ClassesStore& user_;
  std::string exe_;
  int bits_;
  std::vector<std::pair<ClassesStore*, Group>> written_;
};

}  // namespace kestrom::sim
