#!/usr/bin/env bash
# Builds the Debian package, checks its fields (and lintian's verdict where lintian is
# installed), unpacks it into a temporary folder and runs the unpacked command line.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
version=$2
fail() { echo "package test: $*" >&2; exit 1; }
cmake --build "$build" --target package >/dev/null
deb=$(ls -t "$build"/velmorant_*.deb | head -n 1)
[ -f "$deb" ] || fail "no package in $build"
for field in Section Maintainer Description Depends; do
  [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "empty field $field"
done
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "Depends does not come from the libraries"
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >&2 || fail "lintian reports errors"
fi
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
cli=$root/usr/bin/velmorant-cli
[ "$("$cli" --version)" = "velmorant-cli $version" ] || fail "unpacked velmorant-cli --version"
printf '<HTML><BODY>a<HR>b</BODY></HTML>' >"$root/in.html"
"$cli" -q -k 2 -r 1 -o "$root/out.html" "$root/in.html"
[ "$(cat "$root/out.html")" = "<HTML><BODY>b<HR>a</BODY></HTML>" ] || fail "unpacked conversion"
echo "package test: $deb unpacks and converts"
