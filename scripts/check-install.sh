#!/usr/bin/env bash
# Checks what an install of a built tree holds: installs it into a scratch
# DESTDIR with the prefix /usr, compares the files with the list below,
# validates the desktop entry, the AppStream metainfo and the manual pages,
# then makes the Debian package and checks that it holds the same files and
# that its dependencies were worked out. Fails on the first fault.
#
#   bash scripts/check-install.sh [BUILD_DIR]     (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
id=io.github.tarnwick.Tarnwick

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >"$scratch/install.log" ||
  { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
root="$scratch/root"

# The files an install must hold ...
expected=(
  usr/bin/tarnwick
  usr/bin/tarnwick-cli
  "usr/share/applications/$id.desktop"
  "usr/share/metainfo/$id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$id.svg"
  usr/share/man/man1/tarnwick.1.gz
)
for size in 16 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
# ... those of the command line once its sources are there ...
[ -f "$top/data/man/tarnwick-cli.1" ] && expected+=(usr/share/man/man1/tarnwick-cli.1.gz)
[ -f "$top/data/completions/bash/tarnwick-cli" ] &&
  expected+=(usr/share/bash-completion/completions/tarnwick-cli)
[ -f "$top/data/completions/zsh/_tarnwick-cli" ] &&
  expected+=(usr/share/zsh/vendor-completions/_tarnwick-cli)
# ... and nothing else, but a manual page of the command line made at build time.
(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$scratch/installed"
printf '%s\n' "${expected[@]}" | sort >"$scratch/expected"
missing=$(comm -13 "$scratch/installed" "$scratch/expected")
extra=$(comm -23 "$scratch/installed" "$scratch/expected" | grep -vx 'usr/share/man/man1/tarnwick-cli\.1' || true)
[ -z "$missing" ] || fail "not installed: $missing"
[ -z "$extra" ] || fail "installed but not expected: $extra"

for program in tarnwick tarnwick-cli; do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done
for size in 16 24 32 48 64 128 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png" |
    grep -q "PNG image data, $size x $size," || fail "the ${size}x${size} icon is not a PNG of that size"
done

desktop="$root/usr/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate found errors"
grep -qx 'Exec=tarnwick' "$desktop" || fail "the desktop entry does not start tarnwick"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "appstreamcli validate found errors"

if command -v groff >/dev/null; then
  for page in "$root"/usr/share/man/man1/*; do
    warnings=$( (zcat -f "$page" | groff -man -ww -z) 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  done
fi

# The Debian package: the same files, dependencies worked out by dpkg-shlibdeps.
(cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$scratch"/package/tarnwick_*.deb)
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort >"$scratch/packaged"
diff -u "$scratch/installed" "$scratch/packaged" || fail "the package holds other files than the install"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libqt6core6 libqt6widgets6 qt6-qpa-plugins; do
  grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "the package does not depend on $needed: $depends"
done

echo "check-install: $(wc -l <"$scratch/installed") files installed and packaged as expected in $(basename "$deb"); desktop entry and metainfo valid"
