#!/usr/bin/env bash
# Fails when the program given loads a Qt library at start, directly or
# through another library. Usage: loads_no_qt_test.sh PROGRAM
set -euo pipefail
libraries=$(ldd "$1")
if grep -i 'libQt' <<<"$libraries"; then
  echo "$1 loads Qt at start" >&2
  exit 1
fi
echo "$1 loads no Qt library"
