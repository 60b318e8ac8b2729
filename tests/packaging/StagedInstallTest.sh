#!/usr/bin/env bash
# cmake --install of the build tree into a staging directory (DESTDIR, prefix /usr): every file in
# its place, and the staged programs run from there.
# Usage: StagedInstallTest.sh BUILD_DIR WITH_GUI(0|1) WITH_MAN(0|1)
set -euo pipefail
build=$1
gui=$2
man=$3
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null

expected=(usr/bin/kvl-cli usr/share/bash-completion/completions/kvl-cli)
if ((gui)); then
    expected+=(usr/bin/kvl usr/share/kelvane-talvarin/Kvl.hlp
        usr/share/applications/org.kelvane.Talvarin.desktop
        usr/share/metainfo/org.kelvane.Talvarin.metainfo.xml
        usr/libexec/kelvane-talvarin/kvl-chart)
    for size in 16 22 24 32 48 64 128 256; do
        expected+=("usr/share/icons/hicolor/${size}x$size/apps/org.kelvane.Talvarin.png")
    done
fi
if ((man)); then
    expected+=(usr/share/man/man1/kvl-cli.1.gz)
    ((gui)) && expected+=(usr/share/man/man1/kvl.1.gz)
fi
for file in "${expected[@]}"; do
    [[ -f $stage/$file ]] || { echo "FAIL: $file not installed"; exit 1; }
done

version=$("$stage/usr/bin/kvl-cli" --version)
[[ $version == "kvl-cli 1.22" ]] || { echo "FAIL: kvl-cli --version says '$version'"; exit 1; }
if ((gui)); then
    version=$("$stage/usr/bin/kvl" --version)
    [[ $version == "kvl 1.22" ]] || { echo "FAIL: kvl --version says '$version'"; exit 1; }
    # The staged kvl-cli finds its chart renderer where the package puts it.
    "$stage/usr/bin/kvl-cli" new "$stage/books" --sample >/dev/null
    "$stage/usr/bin/kvl-cli" chart income-by-account -d "$stage/books" --folders all \
        --format png --output "$stage/chart.png" ||
        { echo "FAIL: the staged kvl-cli draws no chart"; exit 1; }
fi
echo "staged install complete"
