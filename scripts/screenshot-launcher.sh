#!/usr/bin/env bash
# Takes docs/screenshot-launcher.png: the first window of a start from the applications menu
# (kvl --launcher), with a sample data set as the data used last, under Xvfb in a scratch home.
# Usage: scripts/screenshot-launcher.sh [BUILD_DIR] [OUTPUT]   (needs xvfb-run, xdotool, import)
set -euo pipefail
build=$(realpath "${1:-build}")
output=$(realpath "${2:-docs/screenshot-launcher.png}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config
mkdir -p "$XDG_CONFIG_HOME/kelvane-talvarin"
"$build/src/cli/kvl-cli" new "$HOME/kvl-books" --sample 2>/dev/null
printf '[General]\nLastDataDirectory=%s\n' "$HOME/kvl-books" \
  >"$XDG_CONFIG_HOME/kelvane-talvarin/kvl.conf"

cat >"$scratch/take.sh" <<EOS
set -euo pipefail
"$build/src/app/kvl" --launcher &
program=\$!
window=\$(xdotool search --sync --onlyvisible --name '^Kelvane Talvarin 1.22\$' | head -1)
sleep 1
import -window "\$window" "$output"
kill \$program
EOS
xvfb-run -a -s "-screen 0 1024x768x24" bash "$scratch/take.sh"
echo "wrote $output"
