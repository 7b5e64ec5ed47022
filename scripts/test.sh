#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the
# native and sanitizer builds' ctest, the fuzz targets for a bounded time,
# and UPDATE.EXE under Wine. Ends with one line "test: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

jobs=${JOBS:-2}
passed=0
failed=0
problems=()
logs=build/test-logs
mkdir -p "$logs"

fail() {
    failed=$((failed + 1))
    problems+=("$1")
}

# Runs a build step; a failure counts as one failed test.
run_step() {
    local name=$1
    shift
    echo "== $name"
    if ! "$@"; then
        fail "$name"
        return 1
    fi
}

# Adds the counts of a ctest run from its closing line.
count_ctest() {
    local name=$1 log=$2 line
    line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
    if [[ -z $line ]]; then
        if grep -q 'No tests were found' "$log"; then
            echo "$name: no tests yet"
        else
            fail "$name (no ctest summary)"
        fi
        return
    fi
    local f t
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + t - f))
    failed=$((failed + f))
    if ((f)); then
        problems+=("$name: $f of $t tests failed")
    fi
}

run_ctest() {
    local preset=$1
    echo "== ctest $preset"
    ctest --test-dir "build/$preset" -j "$jobs" --output-on-failure 2>&1 | tee "$logs/$preset.log"
    count_ctest "ctest $preset" "$logs/$preset.log"
}

for preset in native native-asan; do
    run_step "configure $preset" cmake --preset "$preset" &&
        run_step "build $preset" cmake --build --preset "$preset" -j "$jobs" &&
        run_ctest "$preset"
done

# The cross build embeds the demo package that the native build made.
payload=()
if [[ -f build/native/demo/UPDATE.FA2 ]]; then
    payload=(-DFA2_PAYLOAD="$PWD/build/native/demo/UPDATE.FA2")
fi
windows_ok=0
run_step "configure win32" cmake --preset win32 "${payload[@]}" &&
    run_step "build win32" cmake --build --preset win32 -j "$jobs" && windows_ok=1
# The Wine tests run a 64-bit build of the same sources where the host
# cannot run 32-bit code (a kernel without IA-32 emulation).
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    windows_ok=0
    run_step "configure win64" cmake --preset win64 "${payload[@]}" &&
        run_step "build win64" cmake --build --preset win64 -j "$jobs" && windows_ok=1
fi

run_step "configure fuzz" cmake --preset fuzz &&
    run_step "build fuzz" cmake --build --preset fuzz -j "$jobs" &&
    run_ctest fuzz

if ((windows_ok)); then
    echo "== Wine end-to-end tests"
    tests/e2e/run.sh 2>&1 | tee "$logs/e2e.log"
    line=$(grep -E '^(e2e: )?[0-9]+ passed, [0-9]+ failed' "$logs/e2e.log" | tail -n1)
    if [[ -z $line ]]; then
        fail "e2e (no summary)"
    else
        read -r p f <<<"$(sed -E 's/^(e2e: )?([0-9]+) passed, ([0-9]+) failed.*/\2 \3/' <<<"$line")"
        passed=$((passed + p))
        failed=$((failed + f))
        if ((f)); then
            problems+=("e2e: $f scenarios failed")
        fi
    fi
fi

echo
for p in "${problems[@]}"; do
    echo "FAILED: $p"
done
echo "test: $passed passed, $failed failed"
((failed == 0))
