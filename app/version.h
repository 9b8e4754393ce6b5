/* The product's version, once: the version resources of both programs, the
   release's zip name and the operator's guide carry it (package.sh checks). */
#pragma once
#define KESTROM_VERSION_TEXT "6.00"
#define KESTROM_VERSION_NUMBERS 6, 0, 0, 0
