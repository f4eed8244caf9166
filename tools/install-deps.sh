#!/usr/bin/env bash
# Installs every Debian 12 package Vornis needs to build, run and test.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config clang-format
  libsdl2-dev libepoxy-dev libshaderc-dev glslang-dev glslang-tools spirv-tools
  libspirv-cross-c-shared-dev libimgui-dev libstb-dev libassimp-dev
  libopenexr-dev libfontconfig-dev libmimalloc-dev zlib1g-dev libdeflate-dev libgtest-dev libgmock-dev libbenchmark-dev
  # run and test
  libgl1-mesa-dri libegl-mesa0 fonts-dejavu-core xvfb xauth zenity
  assimp-testmodels assimp-utils
  # the install tree and the Debian package: dpkg-shlibdeps computes the package's
  # dependencies; the desktop files are checked with the desktop's own tools
  dpkg-dev desktop-file-utils libxml2-utils shared-mime-info groff-base
)
if [[ "${VORNIS_FUZZ:-0}" == 1 ]]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
