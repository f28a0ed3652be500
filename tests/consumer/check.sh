#!/usr/bin/env bash
# Installs a configured and built morsel tree into a scratch prefix, then builds and runs the
# consumer three ways: find_package on the installed tree, pkg-config on the installed tree, and
# add_subdirectory of the source tree (in a parent that exports a library of its own). Then
# installs the library alone with absolute library and header folders and builds against that,
# checks the message a configure without GoogleTest fails with, and renders the installed manual
# page with every groff warning on.
# Usage: check.sh SOURCE_DIR BUILD_DIR   (CXX, CXXFLAGS and LDFLAGS pass through to the builds)
set -euo pipefail
source_dir=$(realpath "$1")
build_dir=$(realpath "$2")
consumer="$source_dir/tests/consumer"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for file in lib/libmorsel.a include/morsel/morsel.h lib/cmake/morsel/morselConfig.cmake \
  lib/cmake/morsel/morselConfigVersion.cmake lib/cmake/morsel/morselTargets.cmake \
  lib/pkgconfig/morsel.pc bin/pathfind bin/multiply_demo bin/morsel share/man/man1/pathfind.1 \
  share/man/man1/morsel.1 include/morsel/message.h include/morsel/detail/layout.h; do
  [[ -e "$prefix/$file" ]] || { echo "not installed: $file" >&2; exit 1; }
done
[[ ! -e "$prefix/include/morsel/wire.h" ]] || { echo "internal header installed" >&2; exit 1; }

echo "== find_package"
cmake -S "$consumer" -B "$scratch/package" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/package" >/dev/null
"$scratch/package/consumer"

echo "== pkg-config"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046,SC2086  # flags are lists of words
${CXX:-c++} -std=c++17 ${CXXFLAGS:-} "$consumer/main.cpp" -o "$scratch/pkg-consumer" \
  $(pkg-config --cflags --libs morsel) ${LDFLAGS:-}
"$scratch/pkg-consumer"

echo "== add_subdirectory"
cmake -S "$consumer" -B "$scratch/subproject" -G Ninja -DMORSEL_SOURCE_DIR="$source_dir" \
  -DMORSEL_INSTALL=ON >/dev/null
cmake --build "$scratch/subproject" >/dev/null
"$scratch/subproject/consumer"

echo "== absolute install folders"
# As distribution packagers configure: absolute library and header folders.
abs="$scratch/abs/usr"
cmake -S "$source_dir" -B "$scratch/abs-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DMORSEL_BUILD_TESTS=OFF -DMORSEL_BUILD_EXAMPLES=OFF -DMORSEL_BUILD_PROGRAMS=OFF \
  -DCMAKE_CXX_COMPILER="${CXX:-c++}" -DCMAKE_CXX_FLAGS="${CXXFLAGS:-}" \
  -DCMAKE_INSTALL_PREFIX="$abs" -DCMAKE_INSTALL_LIBDIR="$abs/lib64" \
  -DCMAKE_INSTALL_INCLUDEDIR="$abs/include" >/dev/null
cmake --build "$scratch/abs-build" >/dev/null
cmake --install "$scratch/abs-build" >/dev/null
export PKG_CONFIG_PATH="$abs/lib64/pkgconfig"
libdir=$(pkg-config --variable=libdir morsel)
[[ "$libdir" == "$abs/lib64" ]] || { echo "pkg-config libdir is $libdir" >&2; exit 1; }
# shellcheck disable=SC2046,SC2086  # flags are lists of words
${CXX:-c++} -std=c++17 ${CXXFLAGS:-} "$consumer/main.cpp" -o "$scratch/abs-consumer" \
  $(pkg-config --cflags --libs morsel) ${LDFLAGS:-}
"$scratch/abs-consumer"
cmake -S "$consumer" -B "$scratch/abs-package" -G Ninja -Dmorsel_DIR="$abs/lib64/cmake/morsel" >/dev/null
cmake --build "$scratch/abs-package" >/dev/null
"$scratch/abs-package/consumer"

echo "== without GoogleTest"
# The error names the way to build without the tests.
if output=$(cmake -S "$source_dir" -B "$scratch/no-gtest" -G Ninja \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON 2>&1); then
  echo "configuring the tests without GoogleTest succeeded" >&2
  exit 1
fi
grep -q -- "--preset dist" <<<"$output" || { echo "$output" >&2; exit 1; }

echo "== manual pages"
for page in pathfind morsel; do
  warnings=$(groff -ww -t -man -Tutf8 "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || { echo "$warnings" >&2; exit 1; }
  MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1" | head -n 3
done
"$prefix/bin/morsel" --version
