#!/usr/bin/env bash
# Builds the release: build/kestrom-<version>-win32.zip with kestrom.exe,
# SimMach3.exe and the operator's guide. The programs are static: they need only
# the system DLLs of Windows XP, which check_xp_imports holds them to.
source "$(dirname "$0")/scripts/common.sh"
install_dependencies
build_windows win32
check_xp_imports
make_package
