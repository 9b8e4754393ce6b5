// "KAYDET": teach mode off, then the program box saved to C:\<name>.tap.
#pragma once
#include "teach/file_store.h"
#include "teach/save_program.h"
#include "window/controls.h"

namespace kestrom {

// Shows the success message only once the file is written and closed; on any
// failure a message naming the file and the reason, and an earlier file is kept.
void SaveProgram(Controls& controls, FileStore& store);

}  // namespace kestrom
