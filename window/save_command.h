// "KAYDET": teach mode off, then the program box saved to C:\<name>.tap.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "teach/file_store.h"
#include "teach/save_program.h"
#include "window/controls.h"

namespace kestrom {

// Shows the success message only once the file is written and closed; on any
// failure a message naming the file and the reason, and an earlier file is kept.
// The program text written, or nothing when the file was not saved. `saved` runs
// once the file is written, before the message that says so waits for the operator.
std::optional<std::string> SaveProgram(Controls& controls, FileStore& store,
                                       const std::function<void(const std::string& program)>& saved = {});

}  // namespace kestrom
