#!/usr/bin/env bash
# Builds the Debian package in build-package/ and installs it with apt, which also installs
# the libraries it depends on. Afterwards the viewer is in the desktop's menu, opens FBX
# files from the file manager, and draws their thumbnails.
# Usage: tools/install-package.sh [--no-install]   (--no-install: only build the package)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
build=build-package
# /usr as the prefix gives the Debian layout (the library in lib/<multiarch>/).
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVORNIS_BUILD_TESTS=OFF -DVORNIS_BUILD_BENCHMARKS=OFF
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)
package=$(ls "$PWD/$build"/vornis_*_amd64.deb)
echo "Package: $package"
[[ "${1:-}" == "--no-install" ]] && exit 0
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
$sudo apt-get install -y "$package"
