#!/usr/bin/env bash
# Installs a build into a scratch DESTDIR and prefix, then checks that what the desktop
# reads is there and consistent: the program, its menu entry, icon, MIME type and udev rule.
#   check_install.sh CMAKE BUILD_DIR SOURCE_DIR BINDIR DATADIR UDEV_RULES_DIR
# The three directories are as configured: relative ones lie under the prefix.
set -euo pipefail
cmake="$1" build="$2" source="$3" bindir="$4" datadir="$5" udevdir="$6"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/marloq-install.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
dest="$scratch/dest"
prefix="$scratch/prefix"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
note() { echo "note: $*"; }
# Where a configured directory ends up: absolute ones ignore the prefix, not DESTDIR.
installed() { case "$1" in /*) echo "$dest$1" ;; *) echo "$dest$prefix/$1" ;; esac; }
# The value of KEY in the desktop entry $desktop.
entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }

DESTDIR="$dest" "$cmake" --install "$build" --prefix "$prefix" >/dev/null

bin="$(installed "$bindir")"
share="$(installed "$datadir")"
desktop="$share/applications/marloq.desktop"
icon="$share/icons/hicolor/scalable/apps/marloq.svg"
mime_dir="$share/mime"
mime_xml="$mime_dir/packages/marloq.xml"
rule="$(installed "$udevdir")/70-marloq-controller.rules"

# Without DESTDIR honoured, the files would have gone to the bare prefix.
[ ! -e "$prefix" ] || fail "installed outside DESTDIR, in $prefix"
for f in "$bin/marloq" "$desktop" "$icon" "$mime_xml" "$rule"; do
  [ -f "$f" ] || fail "not installed: ${f#"$dest"}"
done
[ "$failures" -eq 0 ] || exit 1

[ -x "$bin/marloq" ] || fail "marloq is not executable"
help="$("$bin/marloq" --help)" || fail "the installed marloq --help exits with $?"
grep -q -- '--render' <<<"$help" || fail "the installed marloq --help prints no usage"
cmp -s "$rule" "$source/udev/70-marloq-controller.rules" || fail "the udev rule differs from udev/"

# The entry must name what was installed, or menus show a blank icon and launch nothing.
exec_word="$(entry Exec)"; exec_word="${exec_word%% *}"
if [ "$exec_word" != marloq ] || [ ! -x "$bin/$exec_word" ]; then
  fail "Exec names '$exec_word', not the installed program"
fi
[ "$(entry Icon)" = "$(basename "$icon" .svg)" ] || fail "Icon names '$(entry Icon)', not the installed icon"
mime_type="$(entry MimeType)"; mime_type="${mime_type%%;*}"
[ -n "$mime_type" ] || fail "the desktop entry claims no MIME type"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
else
  note "no desktop-file-validate (desktop-file-utils): entry not validated"
fi
if command -v update-desktop-database >/dev/null; then
  update-desktop-database "$share/applications"
  grep -Eq "^$mime_type=(.*;)?marloq\.desktop;" "$share/applications/mimeinfo.cache" ||
    fail "update-desktop-database does not offer marloq.desktop for $mime_type"
fi

if command -v xmllint >/dev/null; then
  xmllint --noout "$mime_xml" || fail "the MIME package is not well-formed"
  [ "$(xmllint --xpath 'local-name(/*)' "$icon")" = svg ] || fail "the icon is not an SVG image"
else
  note "no xmllint (libxml2-utils): XML not checked"
fi

# The type a file name gets from globs2 ("weight:type:pattern[:flags]", heaviest first):
# case-sensitive patterns match the name as it is, the others match it in lower case.
# A case-sensitive glob is followed by a copy without flags for older readers, which
# readers that know the flags skip as a repeat of the same type and pattern.
type_of_name() {
  local name="$1" lower weight type pattern flags
  local -A seen=()
  lower="$(tr '[:upper:]' '[:lower:]' <<<"$1")"
  while IFS=: read -r weight type pattern flags; do
    case "$weight" in '#'* | '') continue ;; esac
    [ -z "${seen["$type:$pattern"]:-}" ] || continue
    seen["$type:$pattern"]=1
    # shellcheck disable=SC2053 # the pattern is a glob, to match as one
    if [[ ",$flags," == *,cs,* ]]; then
      [[ "$name" == $pattern ]] && { echo "$type"; return; }
    else
      [[ "$lower" == $pattern ]] && { echo "$type"; return; }
    fi
  done <"$mime_dir/globs2"
}

if command -v update-mime-database >/dev/null; then
  # It warns that the scratch directory is not on XDG_DATA_DIRS: worth showing only on failure.
  if ! out="$(update-mime-database "$mime_dir" 2>&1)" || [ ! -f "$mime_dir/globs2" ]; then
    echo "$out" >&2
    fail "update-mime-database rejects the MIME package"
    exit 1
  fi
  for name in x.CNC x.cnc; do
    got="$(type_of_name "$name")"
    [ "$got" = "$mime_type" ] || fail "$name is '${got:-no type}', not $mime_type"
  done
  got="$(type_of_name x.Cnc)"
  [ -z "$got" ] || fail "x.Cnc is $got: the globs are not case-sensitive"
  grep -qx "$mime_type text/plain" "$mime_dir/subclasses" ||
    fail "$mime_type is not a sub-class of text/plain, so text editors are not offered"
else
  note "no update-mime-database (shared-mime-info): globs not checked"
fi

[ "$failures" -eq 0 ] && echo "installed and checked: $(cd "$dest" && find . -type f | wc -l) files"
[ "$failures" -eq 0 ]
