#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the result the way a
# user meets it: every command in bin/ is a link into the program folder, the
# programs pass their self-tests when started through those links, and the
# menu entries, icons, metadata and manual pages are in place.
#   check-install.sh BUILD-FOLDER [CONFIG]
set -euo pipefail
build=$1
config=${2:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/usr
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --install "$build" ${config:+--config "$config"} --prefix "$prefix" >/dev/null

for command in pictavo pictavo-psd-slim pictavo-layer-export quadrix; do
    [ -L "$prefix/bin/$command" ] || fail "bin/$command is not a link"
    target=$(readlink -f "$prefix/bin/$command")
    case $target in
        "$prefix/lib/pictavo/"*) ;;
        *) fail "bin/$command leads to $target, outside lib/pictavo" ;;
    esac
    [ -x "$target" ] || fail "bin/$command leads to $target, which is not executable"
done

expected=(share/metainfo/app.pictavo.Pictavo.metainfo.xml)
for entry in pictavo pictavo-psd-slim pictavo-layer-export; do
    expected+=("share/applications/$entry.desktop" "share/icons/hicolor/scalable/apps/$entry.svg")
    for size in 16 22 24 32 48 64 128 256 512; do
        expected+=("share/icons/hicolor/${size}x$size/apps/$entry.png")
    done
done
if [ -d "$build/packaging/man" ]; then # made only where help2man was found
    for page in pictavo pictavo-psd-slim pictavo-layer-export quadrix; do
        expected+=("share/man/man1/$page.1.gz")
    done
fi
for file in "${expected[@]}"; do
    [ -s "$prefix/$file" ] || fail "$file is missing"
done

# A home of its own: the self-tests write settings and the helper copy there.
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
"$prefix/bin/pictavo" --standalone-self-test || fail "pictavo --standalone-self-test exited with $?"
"$prefix/bin/quadrix" --self-test || fail "quadrix --self-test exited with $?"
grep -q '^PASS' <(sed '1s/^\xEF\xBB\xBF//' "$prefix/lib/pictavo/exe_self_test.txt") \
    || fail "quadrix wrote no PASS report beside its program file"
echo "install layout: PASS"
