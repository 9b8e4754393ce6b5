// How text is converted to and from the PC's 8-bit (ANSI) code page. Windows
// refuses some flags for some code pages: Windows 10 (1903 on) and 11 can make
// UTF-8 (65001) the ANSI code page, and there the best-fit flag and the
// used-default answer are refused, so a conversion that used them would fail
// and yield nothing. These rules give the flags each code page allows.
#pragma once

namespace kestrom {

struct AnsiConversionRule {
  unsigned toFlags = 0;         // WideCharToMultiByte's flags
  bool askUsedDefault = false;  // whether it may be asked if a default character was used
  unsigned fromFlags = 0;       // MultiByteToWideChar's flags
};

namespace win_flags {
constexpr unsigned kNoBestFitChars = 0x400;  // WC_NO_BEST_FIT_CHARS
constexpr unsigned kErrInvalidChars = 0x80;  // WC_ERR_INVALID_CHARS
constexpr unsigned kMbErrInvalidChars = 0x8;  // MB_ERR_INVALID_CHARS
}  // namespace win_flags

AnsiConversionRule ConversionRuleFor(unsigned codePage);

}  // namespace kestrom
