#!/usr/bin/env bash
# Runs UPDATE.EXE under Wine through every scenario in scenarios/ (or those
# named on the command line) and ends with "e2e: N passed, N failed".
#
# Each scenario prepares a Wine prefix like a Japanese Windows (code page
# 932, IPA Gothic), then lays out the install folder, the CD-ROM drives and
# the package, and hands its steps to the driver (driver.cpp), which plays
# the user. Screenshots of every page and box: build/e2e/shots/<scenario>/.
#
# The Windows programs come from build/win32 where the host runs 32-bit code,
# else from build/win64 (the same sources for 64-bit Windows); fa2 from
# build/native. E2E_FRESH=1 makes a new prefix; E2E_KEEP=1 leaves Xvfb and the
# prefix's server running.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/tests/e2e
work=$root/build/e2e
fa2=$root/build/native/tools/fa2/fa2

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    arch=win32 loader=/usr/lib/wine/wine
else
    arch=win64 loader=/usr/lib/wine/wine64
fi
windows=$root/build/$arch
program=$windows/updater/UPDATE.EXE
driver=$windows/tests/e2e/driver.exe
for needed in "$program" "$driver" "$fa2"; do
    if [[ ! -f $needed ]]; then
        echo "e2e: $needed is missing (build the native and $arch presets first)"
        echo "e2e: 0 passed, 1 failed"
        exit 1
    fi
done

export WINEPREFIX=$work/prefix-$arch WINEARCH=$arch WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
server=/usr/lib/wine/wineserver
small=$work/small-drive
mkdir -p "$work"

# Windows path of a host path, through drive Z:.
winpath() { local p=$1; echo "Z:${p//\//\\}"; }

cleanup() {
    if mountpoint -q "$small" 2>/dev/null; then
        umount "$small"
    fi
    if [[ -z ${E2E_KEEP:-} ]]; then
        "$server" -k 2>/dev/null
        [[ -n ${xvfb:-} ]] && kill "$xvfb" 2>/dev/null
    fi
}
trap cleanup EXIT

# ---- Display ---------------------------------------------------------------
if [[ -z ${E2E_DISPLAY:-} ]]; then
    for n in $(seq 90 120); do
        [[ -e /tmp/.X$n-lock ]] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
else
    export DISPLAY=$E2E_DISPLAY
fi

# ---- Prefix ----------------------------------------------------------------
# Wine draws the captions itself (there is no window manager); E: and F: are
# CD-ROM drives whose discs each scenario chooses.
if [[ -n ${E2E_FRESH:-} || ! -f $WINEPREFIX/.e2e-ready ]]; then
    echo "e2e: creating the $arch prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    "$loader" wineboot -i >/dev/null 2>&1
    cat >"$work/prefix.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"

[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"e:"="cdrom"
"f:"="cdrom"
REG
    "$loader" regedit /S "$(winpath "$work/prefix.reg")" >/dev/null 2>&1
    # Wine's mount manager learns its drives when it starts: E: and F: must
    # exist by then, or they never count as CD-ROM drives in this session.
    mkdir -p "$work/discs/empty"
    for d in e f; do
        ln -sfn "$work/discs/empty" "$WINEPREFIX/dosdevices/$d:"
    done
    "$server" -w
    touch "$WINEPREFIX/.e2e-ready"
fi
"$server" -p
drive_c=$WINEPREFIX/drive_c

# ---- Packages --------------------------------------------------------------
# A test package: demo/update's files, replaced or joined by those in
# packages/NAME; INI files there are UTF-8 and stored as code page 932 with
# CR LF. Every member gets the time 2001-02-03T04:05:06Z.
package_program() {
    local name=$1
    if [[ $name == demo ]]; then
        echo "$program"
        return
    fi
    local stage=$work/packages/$name out=$work/packages/$name.EXE
    rm -rf "$stage" && mkdir -p "$stage"
    cp "$root"/demo/update/* "$stage/"
    local f
    for f in "$here/packages/$name"/*; do
        if [[ $f == *.INI ]]; then
            sed 's/$/\r/' "$f" | iconv -f UTF-8 -t CP932 >"$stage/$(basename "$f")"
        else
            cp "$f" "$stage/"
        fi
    done
    touch -d '2001-02-03 04:05:06 UTC' "$stage"/*
    "$fa2" create "$work/packages/$name.fa2" "$stage"/* --store '*.PAK' >/dev/null || return 1
    # Output to a file: Wine's helper processes keep a captured pipe open.
    "$loader" "$driver" embed "$(winpath "$program")" "$(winpath "$work/packages/$name.fa2")" \
        "$(winpath "$out")" >"$work/packages/$name.log" 2>&1 || return 1
    echo "$out"
}

# ---- Scenario set-up ---------------------------------------------------------
install_dir=
reset_machine() {
    rm -rf "$drive_c/Games"
    if mountpoint -q "$small"; then
        umount "$small"
    fi
    rm -rf "$WINEPREFIX/dosdevices/d:"
    local d
    for d in e f; do
        mkdir -p "$work/discs/empty"
        ln -sfn "$work/discs/empty" "$WINEPREFIX/dosdevices/$d:"
    done
    install_dir=$drive_c/Games/Starlight
}

# Runs one set-up line; prints nothing and returns 1 for a driver step.
setup_line() {
    local verb=$1
    shift
    case $verb in
    package) scenario_program=$(package_program "$1") || return 2 ;;
    small-drive)
        mkdir -p "$small"
        mount -t tmpfs -o "size=$1" tmpfs "$small" || return 2
        ln -sfn "$small" "$WINEPREFIX/dosdevices/d:"
        install_dir=$small/Starlight
        ;;
    install)
        mkdir -p "$install_dir"
        cp "$root"/demo/game/* "$install_dir/"
        ;;
    install-file)
        if [[ $1 == *.INI ]]; then
            sed 's/$/\r/' "$here/files/$1" | iconv -f UTF-8 -t CP932 >"$install_dir/${2:-$1}"
        else
            cp "$here/files/$1" "$install_dir/${2:-$1}"
        fi
        ;;
    remove-file) rm -rf "${install_dir:?}/$1" ;;
    make-folder) mkdir -p "$install_dir/$1" ;;
    shortage-page)
        # The page shows the shortfall against what the small drive has free.
        local free
        free=$(df -B1 --output=avail "$small" | tail -n1 | tr -d ' ')
        echo "expect-page \"ディスク容量が足りません。{CR}D: ドライブに $(($1 - free)) バイトの空き容量が必要です\"" >>"$steps"
        ;;
    disc) ln -sfn "$here/discs/$2" "$WINEPREFIX/dosdevices/${1,,}:" ;;
    *) return 1 ;;
    esac
}

run_scenario() {
    local file=$1 name shots steps line
    name=$(basename "$file" .txt)
    shots=$work/shots/$name
    steps=$work/steps/$name.txt
    rm -rf "$shots" && mkdir -p "$shots" "$work/steps"
    reset_machine
    scenario_program=$program
    : >"$steps"
    while IFS= read -r line || [[ -n $line ]]; do
        local words
        read -r -a words <<<"$line"
        if ((${#words[@]} == 0)) || [[ ${words[0]} == \#* ]]; then
            continue
        fi
        setup_line "${words[@]}"
        case $? in
        0) ;;
        1) echo "$line" >>"$steps" ;;
        *)
            echo "FAIL $name: set-up \"$line\" failed"
            return 1
            ;;
        esac
    done < <(sed "s|@ROOT@|$(winpath "$root" | sed 's/\\/\\\\/g')|g" "$file")

    local log=$work/steps/$name.log status
    "$loader" "$driver" run "$(winpath "$steps")" "$(winpath "$scenario_program")" \
        "$(winpath "$shots")" >"$log" 2>&1
    status=$?
    for bmp in "$shots"/*.bmp; do
        [[ -f $bmp ]] && convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
    done
    if ((status == 0)); then
        echo "ok   $name"
        return 0
    fi
    echo "FAIL $name"
    sed 's/^/     /' "$log"
    echo "     screenshots: $shots"
    return 1
}

# UPDATE.EXE itself: PE32 for i386, GUI subsystem, and with the runtime
# linked in it imports only DLLs that every Windows has.
check_update_exe() {
    local exe=$root/build/win32/updater/UPDATE.EXE headers dlls bad
    if [[ ! -f $exe ]]; then
        echo "FAIL update-exe: $exe is missing"
        return 1
    fi
    headers=$(LC_ALL=C i686-w64-mingw32-objdump -p "$exe")
    dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print toupper($3)}' | sort -u | tr '\n' ' ')
    bad=$(tr ' ' '\n' <<<"$dlls" |
        grep -vxE 'KERNEL32.DLL|USER32.DLL|SHELL32.DLL|OLE32.DLL|ADVAPI32.DLL|MSVCRT.DLL|GDI32.DLL|')
    if ! grep -q 'file format pei-i386' <<<"$headers" ||
        ! grep -qE '^Magic[[:space:]]+010b' <<<"$headers" ||
        ! grep -qE '^Subsystem[[:space:]]+00000002' <<<"$headers" || [[ -n $bad ]]; then
        echo "FAIL update-exe: expected PE32 i386, GUI subsystem, system DLLs only; imports: $dlls"
        return 1
    fi
    echo "ok   update-exe (PE32 i386 GUI; imports $dlls)"
}

# The profile reader: the same table of INI cases through Wine's
# GetPrivateProfileStringA and through the posix layer. Every case that reads
# differently is listed and fails the check: the layer is then wrong.
check_profile_reader() {
    local native=$root/build/native/tests/e2e/profile_probe probe=$windows/tests/e2e/profile_probe.exe
    if [[ ! -x $native || ! -f $probe ]]; then
        echo "FAIL profile-reader: $native or $probe is missing"
        return 1
    fi
    "$native" | LC_ALL=C sort >"$work/profile-native.txt"
    "$loader" "$probe" 2>/dev/null | tr -d '\r' | LC_ALL=C sort >"$work/profile-wine.txt"
    if [[ ! -s $work/profile-wine.txt ]] ||
        [[ $(wc -l <"$work/profile-wine.txt") != $(wc -l <"$work/profile-native.txt") ]]; then
        echo "FAIL profile-reader: the two probes read different case lists"
        return 1
    fi
    local name wine_count wine_value native_count native_value differs=0
    while IFS=$'\t' read -r name wine_count wine_value native_count native_value; do
        if [[ $wine_count == "$native_count" && $wine_value == "$native_value" ]]; then
            continue
        fi
        differs=1
        echo "     $name: Wine $wine_count bytes $wine_value, posix layer $native_count bytes $native_value"
    done < <(LC_ALL=C join -t $'\t' "$work/profile-wine.txt" "$work/profile-native.txt")
    if ((differs)); then
        echo "FAIL profile-reader: the posix layer reads differently from Wine"
        return 1
    fi
    echo "ok   profile-reader ($(wc -l <"$work/profile-wine.txt") cases)"
}

passed=0
failed=0
# Named scenarios run alone; the whole set also runs the two checks.
if (($#)); then
    scenarios=()
    for n in "$@"; do scenarios+=("$here/scenarios/$n.txt"); done
else
    scenarios=("$here"/scenarios/*.txt)
    for check in check_profile_reader check_update_exe; do
        if "$check"; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
        fi
    done
fi
for scenario in "${scenarios[@]}"; do
    if run_scenario "$scenario"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
done
echo "e2e: $passed passed, $failed failed"
((failed == 0))
