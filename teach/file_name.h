// Checks the operator's file name before anything is written.
#pragma once
#include <optional>
#include <string>

namespace kestrom {

// The program file's path: "C:\" + name + ".tap".
std::string ProgramPath(const std::string& name);
// Why Windows cannot hold a file of this name, or nothing when it can. A
// backslash is allowed: it names a sub-folder, which must already exist.
std::optional<std::string> FileNameProblem(const std::string& name);

}  // namespace kestrom
