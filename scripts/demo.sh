#!/usr/bin/env bash
# Installs what is missing and runs the demo: builds the fa2 tool and the demo
# package (and lists and tests it), builds UPDATE.EXE carrying it, installs
# the demo game into a fresh Wine prefix and runs the update. With DISPLAY
# set the update runs on that display for you to click through; otherwise it
# runs under Xvfb, driven through Start, Confirmation, the run and Done, with
# a screenshot of each page. Then it prints what changed in the install folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh

jobs=${JOBS:-2}
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target fa2 demo_package
fa2=build/native/tools/fa2/fa2
package=build/native/demo/UPDATE.FA2
echo "== fa2 list $package"
"$fa2" list "$package"
echo "== fa2 test $package"
"$fa2" test "$package"

# 32-bit Wine needs a host that runs 32-bit code; elsewhere the 64-bit build
# of the same sources stands in under Wine.
presets=(win32)
arch=win32 loader=/usr/lib/wine/wine
if ! "$loader" --version >/dev/null 2>&1; then
    presets+=(win64)
    arch=win64 loader=/usr/lib/wine/wine64
fi
for preset in "${presets[@]}"; do
    cmake --preset "$preset" -DFA2_PAYLOAD="$root/$package" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done
echo "== UPDATE.EXE: build/win32/updater/UPDATE.EXE"

if [[ -n ${DISPLAY:-} ]]; then
    export WINEPREFIX=$root/build/demo/prefix WINEARCH=$arch WINEDEBUG=-all LANG=ja_JP.UTF-8
    folder=$WINEPREFIX/drive_c/Games/Starlight
    rm -rf "$WINEPREFIX"
    "$loader" wineboot -i >/dev/null 2>&1
    mkdir -p "$folder" && cp demo/game/* "$folder/"
    key='HKCU\Software\Hoshizora Soft\STARLIGHT'
    "$loader" reg add "$key" /v InstPath /t REG_SZ /d 'C:\Games\Starlight' /f >/dev/null 2>&1
    "$loader" reg add "$key" /v InstMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
    echo "== the update runs on $DISPLAY"
    set +e
    "$loader" "build/$arch/updater/UPDATE.EXE" >/dev/null 2>&1
    echo "== UPDATE.EXE ended with exit code $?"
    set -e
    shots=
else
    echo "== the update runs under Xvfb"
    E2E_FRESH=1 tests/e2e/run.sh 01-demo-update
    folder=$root/build/e2e/prefix-$arch/drive_c/Games/Starlight
    shots=$root/build/e2e/shots/01-demo-update
fi

echo "== what changed in the install folder (C:\\Games\\Starlight)"
for file in "$folder"/*; do
    name=$(basename "$file")
    if [[ ! -f demo/game/$name ]]; then
        echo "  $name: new, $(stat -c %s "$file") bytes"
    elif cmp -s "$file" "demo/game/$name"; then
        echo "  $name: unchanged"
    else
        echo "  $name: replaced, $(stat -c %s "demo/game/$name") -> $(stat -c %s "$file") bytes," \
            "dated $(date -u -r "$file" +%Y-%m-%dT%H:%M:%SZ)"
    fi
done
if [[ -n $shots ]]; then
    echo "== screenshots: $shots"
fi
