#include "sim/sim_registration.h"

#include <algorithm>
#include <cctype>

#include "machine/mach3_contract.h"

namespace kestrom::sim {

const char* const kSimTypeLibraryId = "{6A1C3E52-94B7-4F0D-8E21-5B7C9D0A4F13}";
const char* const kMarkerValue = "SimMach3";

namespace {
const char* const kPsDispatch = "{00020420-0000-0000-C000-000000000046}";

// Paths compared as Windows compares them: letter case and a \\?\ prefix aside.
std::string Comparable(std::string path) {
  if (path.rfind("\\\\?\\", 0) == 0) path.erase(0, 4);
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
}  // namespace

Registrar::Registrar(ClassesStore& machineWide, ClassesStore& perUser, std::string exePath, int bits)
    : machine_(machineWide), user_(perUser), exe_(std::move(exePath)), bits_(bits) {}

Registrar::~Registrar() { Unregister(); }

std::vector<Registrar::Group> Registrar::Groups(bool withProgId) const {
  const std::string lib = std::string("TypeLib\\") + kSimTypeLibraryId;
  const std::string platform = lib + "\\1.0\\0\\" + (bits_ == 64 ? "win64" : "win32");
  const std::string iface = std::string("Interface\\") + mach3::kDocumentIid;
  std::vector<Group> groups = {
      {lib,
       {{lib + "\\1.0", {"", "Mach4 (SimMach3)"}},
        {platform, {"", exe_}},
        {lib + "\\1.0\\FLAGS", {"", "0"}},
        {lib + "\\1.0\\HELPDIR", {"", FolderOf(exe_)}}},
       platform,
       ""},
      {iface,
       {{iface, {"", "IMach4"}},
        {iface, {kMarkerValue, exe_}},
        {iface + "\\ProxyStubClsid", {"", kPsDispatch}},
        {iface + "\\ProxyStubClsid32", {"", kPsDispatch}},
        {iface + "\\TypeLib", {"", kSimTypeLibraryId}},
        {iface + "\\TypeLib", {"Version", "1.0"}}},
       iface,
       kMarkerValue},
  };
  if (withProgId) {
    const std::string progId = mach3::kProgId;
    groups.push_back({progId,
                      {{progId, {kMarkerValue, exe_}}, {progId + "\\CLSID", {"", mach3::kClsid}}},
                      progId,
                      kMarkerValue});
  }
  return groups;
}

bool Registrar::Own(ClassesStore& store, const Group& group) {
  const auto marker = store.Read(group.markerKey, group.markerName);
  return marker && Comparable(*marker) == Comparable(exe_);
}

// A killed SimMach3's keys: those that name this program's path, and the
// document interface when it points at this program's own type library.
void Registrar::RemoveLeftovers() {
  const std::vector<Group> groups = Groups(true);
  const Group& library = groups[0];
  for (ClassesStore* store : {&machine_, &user_}) {
    const bool ownLibrary = store->Exists(library.key) && Own(*store, library);
    const auto interfaceLibrary = store->Read(groups[1].key + "\\TypeLib", "");
    const bool ownInterface = ownLibrary && interfaceLibrary && *interfaceLibrary == kSimTypeLibraryId;
    for (const Group& group : groups)
      if (store->Exists(group.key) && (Own(*store, group) || (&group == &groups[1] && ownInterface)))
        store->DeleteTree(group.key);
  }
}

bool Registrar::WriteGroup(ClassesStore& store, const Group& group) {
  for (const auto& [key, nameValue] : group.values)
    if (!store.Write(key, nameValue.first, nameValue.second)) {
      store.DeleteTree(group.key);  // no half registration is left
      return false;
    }
  return true;
}

bool Registrar::Register(bool withProgId) {
  for (const Group& group : Groups(withProgId)) {
    if (machine_.Exists(group.key) || user_.Exists(group.key)) continue;  // someone's own: left as it is
    ClassesStore* store = WriteGroup(machine_, group) ? &machine_ : WriteGroup(user_, group) ? &user_ : nullptr;
    if (!store) return false;
    written_.push_back({store, group});
  }
  return true;
}

void Registrar::Unregister() {
  for (auto it = written_.rbegin(); it != written_.rend(); ++it)
    if (Own(*it->first, it->second)) it->first->DeleteTree(it->second.key);
  written_.clear();
}

}  // namespace kestrom::sim
