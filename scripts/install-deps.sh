#!/usr/bin/env bash
# Installs what the build and the tests need and is missing (Debian 12, root).
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev libcli11-dev \
         mingw-w64 g++-mingw-w64-i686 wine32:i386 wine64 xvfb x11-utils locales \
         fonts-ipafont-gothic imagemagick; do
    have "$p" || need+=("$p")
done
if ((${#need[@]})); then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
fi
