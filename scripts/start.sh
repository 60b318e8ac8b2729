#!/usr/bin/env bash
# Starts the desktop program from build directory $1 on data directory $2; where the desktop
# program was not built, shows the data set's check instead.
set -euo pipefail
build=${1:-build}
data=${2:-$HOME/kvl-books}
if [ -x "$build/src/app/kvl" ]; then
  exec "$build/src/app/kvl" "$data"
fi
exec "$build/src/cli/kvl-cli" check -d "$data"
