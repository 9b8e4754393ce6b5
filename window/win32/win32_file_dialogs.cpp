#include "window/win32/win32_file_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include "machine/win32/text_win32.h"
#include "machine/win32/win32_system.h"
#include "window/layout.h"

namespace kestrom::win32 {
namespace {

constexpr DWORD kPathRoom = 32768;  // the longest path Windows takes
const wchar_t kFilter[] = L"G-code (*.tap)\0*.tap\0Metin (*.txt, *.nc)\0*.txt;*.nc\0Hepsi (*.*)\0*.*\0";
const wchar_t kDrawingFilter[] = L"DXF (*.dxf)\0*.dxf\0Hepsi (*.*)\0*.*\0";

std::optional<std::string> Ask(HWND owner, const std::wstring& suggested, bool save, bool drawing = false) {
  std::wstring file = suggested;
  file.resize(kPathRoom, L'\0');
  const std::wstring folder = ProgramFolder();
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;  // the XP-sized record: no Places bar fields needed
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = drawing ? kDrawingFilter : kFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = &file[0];
  ofn.nMaxFile = kPathRoom;
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrDefExt = drawing ? L"dxf" : L"tap";
  ofn.lpstrTitle = drawing ? L"Çizim Olarak Kaydet (Save as drawing)" : save ? L"Farklı Kaydet (Save As)" : L"Aç (Open)";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return std::nullopt;
  return Narrow(file.c_str());
}

}  // namespace

std::wstring ProgramFolder() {
  const std::wstring mach3 = RunningMach3Folder();
  if (!mach3.empty()) {
    const std::wstring gcode = mach3 + L"GCode";
    const DWORD attributes = GetFileAttributesW(gcode.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return gcode;
  }
  wchar_t documents[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents))) return documents;
  return {};
}

std::optional<std::string> Win32FileDialogs::AskSavePath(const std::string& fileName) {
  return Ask(owner_, Widen(fileName), true);
}

std::optional<std::string> Win32FileDialogs::AskDrawingPath(const std::string& fileName) {
  return Ask(owner_, Widen(fileName), true, true);
}

std::optional<std::string> Win32FileDialogs::AskOpenPath() { return Ask(owner_, L"", false); }

bool Win32FileDialogs::AskYesNo(const std::string& question) {
  return MessageBoxW(owner_, Widen(question).c_str(), Widen(kAppTitle).c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace kestrom::win32
