// The standard dialogs that the program's file commands ask the operator with.
#pragma once
#include <optional>
#include <string>

namespace kestrom {

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The Save dialog for .tap files, suggesting `fileName`; nothing on Cancel.
  virtual std::optional<std::string> AskSavePath(const std::string& fileName) = 0;
  // The Save dialog for drawings (.dxf); the fakes of the tests may keep the .tap one.
  virtual std::optional<std::string> AskDrawingPath(const std::string& fileName) { return AskSavePath(fileName); }
  // The Open dialog for .tap (or any text) files; nothing on Cancel.
  virtual std::optional<std::string> AskOpenPath() = 0;
  // A Yes/No message box with the application title; true for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
};

}  // namespace kestrom
