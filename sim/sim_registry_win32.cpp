#include "sim/sim_registry_win32.h"

#include <vector>

#include "machine/win32/text_win32.h"

namespace kestrom::sim {
namespace {

std::wstring Path(const std::string& key) { return L"Software\\Classes\\" + win32::Widen(key); }

// A key and all below it (RegDeleteTree is Vista's; XP deletes only empty keys).
void DeleteKeyTree(HKEY parent, const std::wstring& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return;
  std::vector<std::wstring> children;
  wchar_t child[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(child, length);
  }
  for (const std::wstring& c : children) DeleteKeyTree(key, c);
  RegCloseKey(key);
  RegDeleteKeyW(parent, name.c_str());
}

}  // namespace

bool Win32ClassesStore::Exists(const std::string& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root_, Path(key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

std::optional<std::string> Win32ClassesStore::Read(const std::string& key, const std::string& name) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root_, Path(key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return std::nullopt;
  const std::wstring valueName = win32::Widen(name);
  wchar_t data[1024] = {};
  DWORD size = sizeof data - sizeof(wchar_t), type = 0;
  const LONG rc = RegQueryValueExW(h, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return win32::Narrow(std::wstring(data, size / sizeof(wchar_t)).c_str());
}

bool Win32ClassesStore::Write(const std::string& key, const std::string& name, const std::string& value) {
  HKEY h = nullptr;
  if (RegCreateKeyExW(root_, Path(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring data = win32::Widen(value);
  const LONG rc = RegSetValueExW(h, win32::Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                 static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

void Win32ClassesStore::DeleteTree(const std::string& key) { DeleteKeyTree(root_, Path(key)); }

}  // namespace kestrom::sim
