#include "teach/program_file.h"

#include <cctype>

#include "teach/file_name.h"

namespace kestrom {
namespace {
bool EndsWithTap(const std::string& s) {
  if (s.size() < 4) return false;
  std::string end = s.substr(s.size() - 4);
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == ".tap";
}
}  // namespace

OpenedProgram ProgramFromFileText(const std::string& fileText) {
  if (fileText.find('\0') != std::string::npos)
    return {false, "", "Dosyada NUL baytları var, bir program metni değil (the file holds NUL bytes: not a text file)."};
  std::string text;
  text.reserve(fileText.size() + fileText.size() / 16);
  for (size_t i = 0; i < fileText.size(); ++i) {
    const char c = fileText[i];
    if (c == '\r') {
      text += "\r\n";
      if (i + 1 < fileText.size() && fileText[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      text += "\r\n";
    } else {
      text += c;
    }
  }
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
  return {true, text, ""};
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string NameForSaveBox(const std::string& path) {
  std::string file = FileOf(path);
  if (!EndsWithTap(path)) return file;
  const bool onC = path.size() > 3 && (path[0] == 'C' || path[0] == 'c') && path.compare(1, 2, ":\\") == 0;
  const std::string below = path.substr(3, path.size() - 3 - 4);
  if (onC && !FileNameProblem(below)) return below;
  return file.substr(0, file.size() - 4);
}

}  // namespace kestrom
