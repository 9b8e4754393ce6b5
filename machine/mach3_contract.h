// The agreement between Kestrom and Mach3, each fact once: the product, SimMach3
// and the tests take them from here. (sim/mach4.idl, the type library's source,
// repeats the two GUIDs; the build checks that they agree.)
#pragma once
#include <cstdint>

namespace kestrom::mach3 {

constexpr const char* kProgId = "Mach4.Document";
constexpr const char* kClsid = "{CA7992B2-2653-4342-8061-D7D385C07809}";         // the ProgID's class
constexpr const char* kDocumentIid = "{D5DC1674-0CB6-47D4-BD22-E6D60631C86D}";  // the document interface
constexpr int32_t kScriptDispatchId = 3;  // the document's member that hands out the scripting object
constexpr int32_t kToggleJogModeOemCode = 103;
constexpr int32_t kFirstPage = 1;  // screen pages are numbered from 1, sent as the OEM code of that number
constexpr int kAxisCount = 6;
constexpr const char kAxisLetters[kAxisCount + 1] = "XYZABC";  // DRO and axis numbers 0 to 5
constexpr const char* kProcessName = "mach3.exe";  // what a running Mach3's process name contains

}  // namespace kestrom::mach3
