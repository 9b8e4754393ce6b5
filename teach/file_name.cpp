#include "teach/file_name.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kestrom {
namespace {

bool IsReservedDeviceName(std::string part) {
  // Windows maps these names to devices whatever follows the first dot.
  part = part.substr(0, part.find('.'));
  while (!part.empty() && part.back() == ' ') part.pop_back();
  std::transform(part.begin(), part.end(), part.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* n : kNames)
    if (part == n) return true;
  return part.size() == 4 && (part.compare(0, 3, "COM") == 0 || part.compare(0, 3, "LPT") == 0) &&
         part[3] >= '1' && part[3] <= '9';
}

}  // namespace

std::string ProgramPath(const std::string& name) { return "C:\\" + name + ".tap"; }

std::optional<std::string> FileNameProblem(const std::string& name) {
  if (name.empty()) return std::string("Dosya adı boş.");
  for (unsigned char c : name) {
    if (c < 0x20) return std::string("Dosya adında kontrol karakteri var.");
    if (std::strchr("<>:\"|?*", c))
      return "Dosya adında kullanılamayan karakter var: " + std::string(1, static_cast<char>(c));
  }
  size_t start = 0;
  for (;;) {
    const size_t end = name.find_first_of("\\/", start);
    const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const bool last = end == std::string::npos;
    if (IsReservedDeviceName(last ? part + ".tap" : part))
      return "\"" + part + "\" Windows'un ayrılmış bir aygıt adıdır.";
    if (last) break;
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace kestrom
