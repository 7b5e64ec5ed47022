#!/usr/bin/env bash
# Installs what is missing, builds the fa2 tool and the demo package, and
# lists and tests the package.
set -euo pipefail
cd "$(dirname "$0")/.."
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
