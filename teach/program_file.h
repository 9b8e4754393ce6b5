// The rules for a program file that is opened again or saved under any path:
// text in, text out.
#pragma once
#include <cstddef>
#include <string>

namespace kestrom {

constexpr size_t kOpenLimitBytes = 64u * 1024 * 1024;

struct OpenedProgram {
  bool ok = false;
  std::string text;     // for the program box
  std::string problem;  // why the file is no program text
};

// Refuses text with NUL characters; turns lone LF and CR into CR LF and drops the
// one CR LF that a save puts after the program, so that opening and saving again
// gives back the same bytes.
OpenedProgram ProgramFromFileText(const std::string& fileText);

// "C:\CNC\part.tap" -> "C:\CNC\" and "part.tap".
std::string FolderOf(const std::string& path);
std::string FileOf(const std::string& path);
// The file-name box's text that makes KAYDET write this file again: the path
// below "C:\" without ".tap" when it lies on C: and ends in .tap, otherwise
// the file's own name without ".tap".
std::string NameForSaveBox(const std::string& path);

}  // namespace kestrom
