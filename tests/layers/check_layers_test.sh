#!/usr/bin/env bash
# Feeds the include checker small source trees and compares its verdict: a
# tree with a fault must fail, the clean one must pass.
# Usage: check_layers_test.sh PATH_TO_CHECK_LAYERS
set -uo pipefail

checker=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A stand-in for Qt's Widgets headers.
mkdir -p "$work/widgets"
touch "$work/widgets/QWidget"
failures=0

# run_case NAME pass|fail FILE=CONTENT... (CONTENT takes \n escapes)
run_case() {
  local name=$1 expected=$2 tree="$work/$1" entry path got
  shift 2
  mkdir -p "$tree/src"
  for entry in "$@"; do
    path=${entry%%=*}
    mkdir -p "$(dirname "$tree/src/$path")"
    printf '%b\n' "${entry#*=}" >"$tree/src/$path"
  done
  if "$checker" "$tree" "$work/widgets" >/dev/null; then got=pass; else got=fail; fi
  if [ "$got" != "$expected" ]; then
    echo "$name: expected $expected, got $got"
    failures=1
  fi
}

run_case clean pass \
  'core/a.h=#include <cstdint>' 'core/a.cpp=#include "core/a.h"' \
  'render/r.h=#include <QImage>\n#include "core/a.h"' \
  'editor/e.cpp=#include <QWidget>\n#include "render/r.h"' \
  'cli/c.cpp=#include "core/a.h"'
run_case core_includes_qt fail 'core/a.h=#include <QString>'
run_case core_includes_editor fail 'core/a.h=#include "editor/e.h"' 'editor/e.h='
run_case render_includes_editor fail 'render/r.cpp=#include "editor/e.h"' \
  'editor/e.h='
run_case cli_includes_render fail 'cli/c.cpp=#include "render/r.h"' 'render/r.h='
run_case cli_includes_qt fail 'cli/c.cpp=#include <QFile>'
run_case render_includes_widgets fail 'render/r.h=#include <QWidget>'
run_case module_cycle fail 'editor/a.h=' 'editor/a.cpp=#include "editor/b.h"' \
  'editor/b.h=#include "editor/a.h"'
run_case three_module_cycle fail 'core/a.h=#include "core/b.h"' \
  'core/b.h=#include "core/c.h"' 'core/c.cpp=#include "core/a.h"'
run_case posix_header_in_cli fail 'cli/main.cpp=#include <unistd.h>'
run_case posix_header_in_core fail 'core/a.cpp=#include <sys/stat.h>'
run_case windows_header_in_editor fail 'editor/e.cpp=#include <windows.h>'
run_case platform_headers_in_file_systems pass \
  'core/io/posix_file_system.cpp=#include <fcntl.h>\n#include <sys/stat.h>' \
  'core/io/windows_file_system.cpp=#include <windows.h>' \
  'core/io/safe_write.cpp=#include <cerrno>\n#include <csignal>'

exit "$failures"
