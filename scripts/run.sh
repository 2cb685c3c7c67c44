#!/usr/bin/env bash
# Installs what is missing, builds Trelvo and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
exec build/src/app/trelvo "$@"
