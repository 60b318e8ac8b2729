#!/usr/bin/env bash
# Builds the Debian package from build directory $1 (default: build) and checks it: lintian finds
# no error, the launcher and the AppStream metadata pass their validators, the dependencies came
# from the binaries, and the programs unpacked with dpkg -x into a scratch directory run from there:
# kvl --version, kvl-cli --version, and kvl-cli new --sample, check, a chart drawn by the package's
# renderer and a spreadsheet on a scratch data set.
set -euo pipefail
build=$(realpath "${1:-build}")
rm -f "$build"/kelvane-talvarin_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/kelvane-talvarin_*.deb)
echo "== $(basename "$deb")"
dpkg-deb --field "$deb" Package Version Depends

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
dpkg -x "$deb" "$root"

depends=$(dpkg-deb --field "$deb" Depends)
for library in libc6 libqt6core6 libqt6widgets6 libqt6charts6 libqt6svg6 libxlsxwriter; do
  [[ $depends == *"$library"* ]] || { echo "FAIL: Depends lacks $library: $depends"; exit 1; }
done

desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error "$deb"

"$root/usr/bin/kvl" --version
"$root/usr/bin/kvl-cli" --version
"$root/usr/bin/kvl-cli" new "$scratch/books" --sample
"$root/usr/bin/kvl-cli" check -d "$scratch/books"
"$root/usr/bin/kvl-cli" chart monthly-profit -d "$scratch/books" --folders all --format png \
  --output "$scratch/chart.png"
"$root/usr/bin/kvl-cli" report expense-summary -d "$scratch/books" --folders all --format xlsx \
  --output "$scratch/summary.xlsx"
echo "== package sound"
