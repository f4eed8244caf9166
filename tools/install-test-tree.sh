#!/usr/bin/env bash
# Prepares what the install tests (tests/install) examine: the build installed into a
# temporary prefix and then moved elsewhere, as a user may move an unpacked tree, and the
# Debian package, built once.
# Usage: tools/install-test-tree.sh BUILD_DIR WORK_DIR
#   WORK_DIR/moved/          the moved install tree
#   WORK_DIR/package/*.deb   the package
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR WORK_DIR}
work=${2:?usage: $0 BUILD_DIR WORK_DIR}
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/installed" --strip >/dev/null
mv "$work/installed" "$work/moved"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
rm -rf "$work/package/_CPack_Packages"
ls "$work/package"/*.deb
