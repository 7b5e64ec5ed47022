#!/usr/bin/env bash
# Installs what the build and the tests need and is missing (Debian 12, root).
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    libgtest-dev libbenchmark-dev libcli11-dev
    mingw-w64 g++-mingw-w64-i686 binutils-mingw-w64-i686
    wine32:i386 wine64 xvfb x11-utils locales fonts-ipafont-gothic imagemagick
)

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

sudo=()
if ((EUID != 0)); then
    sudo=(sudo)
fi

need=()
for p in "${packages[@]}"; do
    have "$p" || need+=("$p")
done
if ((${#need[@]})); then
    echo "install-deps: installing ${need[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${need[@]}" >/dev/null
fi

# Wine takes the ANSI code page from the locale: ja_JP.UTF-8 gives 932.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
    echo "install-deps: generating the ja_JP.UTF-8 locale"
    "${sudo[@]}" sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
    "${sudo[@]}" locale-gen >/dev/null
fi
