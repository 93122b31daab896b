#!/usr/bin/env bash
# Builds the Debian package and checks it as a user's machine would take it: its fields
# and files, the metainfo, desktop entry and lintian, and the extracted program drawing
# a program exactly as the build's program does.
#   tests/package/check_package.sh      (from anywhere; run by .ci/run)
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$top"
deb="$(scripts/package)"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/marloq-package.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

version="$(build/default/app/marloq --version)"
[ "$(dpkg-deb -f "$deb" Package)" = marloq ] || fail "the package is not named marloq"
[ "marloq $(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version) is not $version's"
depends="$(dpkg-deb -f "$deb" Depends)"
grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks the Qt libraries: $depends"
! grep -Eq -- '-dev\b' <<<"$depends" || fail "Depends names development packages: $depends"

dpkg-deb -x "$deb" "$scratch/root"
for f in usr/bin/marloq usr/share/applications/marloq.desktop usr/share/icons/hicolor/scalable/apps/marloq.svg \
         usr/share/mime/packages/marloq.xml usr/lib/udev/rules.d/70-marloq-controller.rules \
         usr/share/metainfo/org.marloq.Marloq.metainfo.xml usr/share/man/man1/marloq.1.gz \
         usr/share/doc/marloq/copyright usr/share/doc/marloq/changelog.gz usr/share/doc/marloq/README.md.gz; do
  [ -f "$scratch/root/$f" ] || fail "not in the package: /$f"
done
appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/org.marloq.Marloq.metainfo.xml" >/dev/null ||
  fail "appstreamcli rejects the metainfo"
desktop-file-validate "$scratch/root/usr/share/applications/marloq.desktop" || fail "desktop-file-validate rejects the entry"
lintian --fail-on error "$deb" ||
  fail "lintian reports errors"

# The packaged program draws as the built one: the same log after its first line, which
# names the program's path.
for program in build package; do
  mkdir -p "$scratch/$program"
  cp examples/contour.CNC "$scratch/$program/"
done
build/default/app/marloq --render "$scratch/build/contour.CNC" >/dev/null
"$scratch/root/usr/bin/marloq" --render "$scratch/package/contour.CNC" >/dev/null
cmp -s <(tail -n +2 "$scratch/build/contour.LOG") <(tail -n +2 "$scratch/package/contour.LOG") ||
  fail "the packaged marloq logs contour.CNC unlike the built one"

[ "$failures" -eq 0 ] || exit 1
echo "package ok: $deb"
