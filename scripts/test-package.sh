#!/usr/bin/env bash
# Builds the Debian package from the build folder, installs it and runs what
# it installed: the tool window's self-test and the padding helper's headless
# mode on one picture, started through the bin/ links, and the validators on
# the installed menu entries and metadata. Lists the installed files.
#
#   bash scripts/test-package.sh
#
# As root the package is installed on this machine with apt-get, which also
# installs what it depends on, and purged afterwards unless it was installed
# before. Otherwise it is unpacked into a temporary root with dpkg -x, and its
# dependencies are only checked to be installed already.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build=$root/build

passed=0
failed=0
check() {
    local name=$1
    shift
    if "$@"; then
        echo "PASS: $name"
        passed=$((passed + 1))
    else
        echo "FAIL: $name" >&2
        failed=$((failed + 1))
    fi
}

# The suite's build folder is reused: only what changed is built again.
bash "$root/scripts/build.sh" >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/pictavo_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "FAIL: cpack made no $deb" >&2; exit 1; }
echo "Built $deb ($(stat -c %s "$deb") bytes)"

work=$(mktemp -d)
purge_after=false
cleanup() {
    if $purge_after; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq pictavo >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

if [ "$(id -u)" -eq 0 ]; then
    if ! dpkg-query -W -f='${Status}' pictavo 2>/dev/null | grep -q 'install ok installed'; then
        purge_after=true
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall --no-install-recommends "$deb" >/dev/null
    prefix=""
    echo "Installed on this machine with apt-get"
else
    dpkg -x "$deb" "$work/root"
    prefix=$work/root
    missing=()
    IFS=',' read -ra depends <<<"$(dpkg-deb -f "$deb" Depends)"
    for dependency in "${depends[@]}"; do
        name=$(echo "$dependency" | sed 's/[[:space:]]*\([^[:space:](]*\).*/\1/')
        dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed' || missing+=("$name")
    done
    check "dependencies installed${missing:+ (missing: ${missing[*]})}" test ${#missing[@]} -eq 0
    echo "Unpacked into $prefix with dpkg -x"
fi

echo "Files the package installs:"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print "  " $6, $7, $8 }'

bin=$prefix/usr/bin
for command in pictavo pictavo-psd-slim pictavo-layer-export quadrix; do
    check "bin/$command leads into the program folder" \
        bash -c '[[ "$(readlink -f "$1")" == "$2"/usr/lib/pictavo/* ]]' _ "$bin/$command" "$prefix"
done

# A home of its own, so neither this user's settings nor helper copy are touched.
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$HOME/.runtime
export QT_QPA_PLATFORM=offscreen
mkdir -p -m 0700 "$HOME" "$XDG_RUNTIME_DIR"

check "pictavo --standalone-self-test" "$bin/pictavo" --standalone-self-test

# A 7 x 5 RGBA picture; the default rule pads it to 8 x 8. No display at all.
mkdir -p "$work/in" "$work/out"
base64 -d >"$work/in/one-picture.png" <<<'iVBORw0KGgoAAAANSUhEUgAAAAcAAAAFCAYAAACJmvbYAAAAEklEQVR42mPgUbL4jwszDIAkAKCdMNBbKeG7AAAAAElFTkSuQmCC'
check "quadrix --headless exits 0" \
    bash -c 'env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY timeout 120 "$@" >"$0"' "$work/records.txt" \
    "$bin/quadrix" --headless --output-dir "$work/out" "$work/in/one-picture.png"
check "quadrix --headless reports the picture" \
    grep -q '^DONE	{.*"exported":1,"failed":0,' "$work/records.txt"
# Width and height are the two big-endian words after the PNG signature and the IHDR header.
size=$(od -An -tu1 -j16 -N8 "$work/out/one-picture.png" 2>/dev/null \
    | awk '{ printf "%dx%d", $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
check "quadrix --headless padded 7x5 to 8x8 (got ${size:-no file})" test "$size" = "8x8"

check "desktop-file-validate on the menu entries" \
    bash -c '[ -z "$(desktop-file-validate "$@" 2>&1)" ]' _ "$prefix"/usr/share/applications/pictavo*.desktop
check "appstreamcli validate --no-net on the metadata" \
    appstreamcli validate --no-net "$prefix/usr/share/metainfo/app.pictavo.Pictavo.metainfo.xml"
for page in pictavo quadrix; do
    check "manual page of $page" \
        bash -c 'zcat "$1" | grep -q "^\.SH OPTIONS"' _ "$prefix/usr/share/man/man1/$page.1.gz"
done

echo "package test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
