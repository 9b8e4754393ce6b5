#include "machine/code_page.h"

namespace kestrom {

AnsiConversionRule ConversionRuleFor(unsigned codePage) {
  using namespace win_flags;
  switch (codePage) {
    case 65001:  // UTF-8
    case 54936:  // GB18030
      // No best fit and no default character exist here: an unconvertible
      // character is an error, which the flag makes the call report.
      return {kErrInvalidChars, false, kMbErrInvalidChars};
    case 42: case 50220: case 50221: case 50222: case 50225: case 50227: case 50229: case 52936: case 65000:
      return {0, false, 0};
    default:
      if (codePage >= 57002 && codePage <= 57011) return {0, false, 0};
      return {kNoBestFitChars, true, 0};
  }
}

}  // namespace kestrom
