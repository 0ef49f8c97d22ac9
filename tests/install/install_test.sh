#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every file is in place, that
# the installed programs run from there, and that the desktop entry, the AppStream data,
# the man pages, the icons and the shell completion are what they should be.
#   install_test.sh BUILD_DIR GUI(ON|OFF)
set -euo pipefail
build=$1
gui=$2
version=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

files=(bin/velmorant-cli share/man/man1/velmorant-cli.1.gz
       share/bash-completion/completions/velmorant-cli
       share/doc/velmorant/copyright share/doc/velmorant/changelog.Debian.gz
       share/doc/velmorant/README.md)
sizes=(16 32 48 64 128 256)
if [ "$gui" = ON ]; then
  files+=(bin/velmorant share/man/man1/velmorant.1.gz share/applications/velmorant.desktop
          share/metainfo/org.velmorant.Velmorant.metainfo.xml)
  for s in "${sizes[@]}"; do files+=("share/icons/hicolor/${s}x${s}/apps/velmorant.png"); done
fi
for f in "${files[@]}"; do
  [ -s "$prefix/$f" ] || fail "missing: $f"
done
# Nothing else: no test program, library or header of the build.
extra=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort | comm -23 - <(printf '%s\n' "${files[@]}" | sort))
[ -z "$extra" ] || fail "installed but not expected: $extra"

# The installed programs run from there.
[ "$("$prefix/bin/velmorant-cli" --version)" = "velmorant-cli $version" ] || fail "velmorant-cli --version"
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
printf '<HTML><BODY>a<HR>b</BODY></HTML>' >"$work/in.html"
"$prefix/bin/velmorant-cli" -q -r 1 -k 2 -o "$work/out.html" "$work/in.html"
[ "$(cat "$work/out.html")" = "<HTML><BODY>b<HR>a</BODY></HTML>" ] || fail "installed conversion"
if [ "$gui" = ON ]; then
  [ "$("$prefix/bin/velmorant" --version)" = "velmorant $version" ] || fail "velmorant --version"
  desktop-file-validate "$prefix/share/applications/velmorant.desktop" || fail "desktop entry"
  grep -q '^Exec=velmorant %F$' "$prefix/share/applications/velmorant.desktop" || fail "Exec"
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/share/metainfo/org.velmorant.Velmorant.metainfo.xml" \
      >/dev/null || fail "metainfo"
  fi
  for s in "${sizes[@]}"; do
    file "$prefix/share/icons/hicolor/${s}x${s}/apps/velmorant.png" |
      grep -q "PNG image data, $s x $s" || fail "icon ${s}x${s}"
  done
  zgrep -q 'velmorant \\- ' "$prefix/share/man/man1/velmorant.1.gz" || fail "velmorant.1 NAME"
fi

# The man page is the program's own --help with the include file's prose.
page=$work/velmorant-cli.1
gunzip -c "$prefix/share/man/man1/velmorant-cli.1.gz" >"$page"
grep -q 'files\\-from' "$page" || fail "man page lacks an option of --help"
grep -q '正常に終了しました' "$page" || fail "man page lacks the messages"
groff -man -Tutf8 "$page" >/dev/null 2>&1 || fail "man page does not format"

# Completion: options, the values of the options that take a set, file names otherwise.
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _velmorant_cli
  printf '%s\n' "${COMPREPLY[@]}"
}
# shellcheck source=/dev/null
source "$prefix/share/bash-completion/completions/velmorant-cli"
[ "$(complete_words velmorant-cli --encoding u)" = "utf-8" ] || fail "completion of --encoding"
[ "$(complete_words velmorant-cli --between n | sort | tr '\n' ' ')" = "none numbered " ] ||
  fail "completion of --between"
[ "$(complete_words velmorant-cli --outl | tr '\n' ' ')" = "--outline --outline=json " ] ||
  fail "completion of options"
(cd "$work" && [ "$(complete_words velmorant-cli -k 2 in)" = "in.html" ]) || fail "file names"
echo "install test: all in place"
