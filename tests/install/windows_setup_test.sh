#!/usr/bin/env bash
# Installs the setup program silently into a fresh Wine prefix, checks what it added (the
# packaged files, the Start-menu shortcuts, the registry entries, nothing under HKLM), runs
# the installed command line against the build's, then uninstalls silently as Apps &
# Features would and checks that the user's files and registry are as before the install.
#
#   windows_setup_test.sh WINE_RUN PREFIX SETUP STAGE CLI LOG VERSION
#
# STAGE is the folder the packages were made from; it holds velmorant.exe when the build
# has the desktop program, and then the program's shortcut and "Open with" entries are due.
set -euo pipefail
wine_run=$1 prefix=$2 setup=$3 stage=$4 cli=$5 log=$6 version=$7

fail() {
  echo "setup test: $*" >&2
  echo "setup test: the Wine prefix is kept in $prefix" >&2
  exit 1
}
win() { "$wine_run" "$prefix" "$@" </dev/null; }
dos() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }  # a host file as Wine names it
host() { local p=${1#C:}; printf '%s/drive_c%s' "$prefix" "${p//\\//}"; }

# A fresh prefix: a server left running in the last one goes first.
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
rm -rf "$prefix"
tmp=$prefix.files
rm -rf "$tmp" && mkdir -p "$tmp"
{ read -r local_appdata; read -r appdata; } < <(win cmd /c 'echo %LOCALAPPDATA%&echo %APPDATA%' | tr -d '\r')
folder="$local_appdata\\Programs\\Velmorant"
menu="$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Velmorant"
# As on Windows 10 and later; and the user has a default program for .html already.
mkdir -p "$(host "$local_appdata")/Programs"
win reg add 'HKCU\Software\Classes\.html' /ve /d UserBrowser.html /f >/dev/null

# Snapshots, to compare with after the uninstall: where programs go, and the profiles but
# for their temporary folders (Wine's own C:\windows changes by itself).
files() {
  (cd "$prefix/drive_c" && find users 'Program Files' 'Program Files (x86)' ProgramData \
    -path 'users/*/Temp' -prune -o -print | sort)
}
# Software only, without Wine's own settings and the network cards Wine's services list at
# some moment after the prefix is made: those change without any program asking.
registry() {
  win reg export "$1\\Software" "$(dos "$tmp/export.reg")" /y >/dev/null
  iconv -f UTF-16 -t UTF-8 "$tmp/export.reg" | tr -d '\r' |
    awk '/^\[/ { skip = /\\Software\\Wine[\\\]]|\\NetworkCards\\/ } !skip'
}
files >"$tmp/files.before"
registry HKCU >"$tmp/hkcu.before"
registry HKLM >"$tmp/hklm.before"

win "$(dos "$setup")" /S || fail "the setup program failed ($?)"

registry HKLM | diff "$tmp/hklm.before" - >&2 || fail "the setup program wrote under HKLM"
installed=$(host "$folder")
[ -f "$installed/uninstall.exe" ] || fail "no uninstaller in $installed"
diff -r -x uninstall.exe "$stage" "$installed" >&2 || fail "$installed is not the packaged folder"
desktop=0
[ -f "$stage/velmorant.exe" ] && desktop=1

# Shortcut: its file, and what its target and arguments name.
lnk_rows=("README.lnk|C:\\windows\\notepad.exe|\"$folder\\README.md\"")
[ $desktop = 1 ] && lnk_rows+=("Velmorant.lnk|$folder\\velmorant.exe|")
expected_lnk=()
for row in "${lnk_rows[@]}"; do
  IFS='|' read -r name target args <<<"$row"
  expected_lnk+=("$name")
  lnk=$(host "$menu")/$name
  [ -f "$lnk" ] || fail "no shortcut $menu\\$name"
  # Wine writes the target's path in ANSI and the arguments in UTF-16.
  { strings -a "$lnk"; strings -a -el "$lnk"; } >"$tmp/lnk.txt"
  grep -qixF "$target" "$tmp/lnk.txt" || fail "$name does not start $target"
  [ -z "$args" ] || grep -qF "$args" "$tmp/lnk.txt" || fail "$name does not pass $args"
done
[ "$(ls "$(host "$menu")")" = "$(printf '%s\n' "${expected_lnk[@]}" | sort)" ] ||
  fail "the Start menu's Velmorant folder holds $(ls "$(host "$menu")" | paste -sd' ')"

# What HKCU holds, a line for each key ("key|") and each value ("key|name|type|data").
win reg query 'HKCU\Software' /s | tr -d '\r' | awk -F '    ' '
  /^HKEY/ { key = $0; sub(/^HKEY_CURRENT_USER/, "HKCU", key); print key "|"; next }
  NF >= 3 { data = $4; for (i = 5; i <= NF; i++) data = data FS $i
            print key "|" $2 "|" $3 "|" data }' >"$tmp/values"

# Due values ("" names the default one) and, as "key|-", keys that must not be there.
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmorant'
classes='HKCU\Software\Classes'
size_kib=$((($(find "$installed" -type f -printf '%s+')0) / 1024))
rows=(
  "$uninstall|DisplayName|REG_SZ|Velmorant"
  "$uninstall|DisplayVersion|REG_SZ|$version"
  "$uninstall|Publisher|REG_SZ|Velmorant"
  "$uninstall|InstallLocation|REG_SZ|$folder"
  "$uninstall|UninstallString|REG_SZ|\"$folder\\uninstall.exe\""
  "$uninstall|QuietUninstallString|REG_SZ|\"$folder\\uninstall.exe\" /S"
  "$uninstall|NoModify|REG_DWORD|0x1"
  "$uninstall|NoRepair|REG_DWORD|0x1"
  "$uninstall|EstimatedSize|REG_DWORD|$(printf '0x%x' "$size_kib")"
  "$classes\\.html||REG_SZ|UserBrowser.html"
)
if [ $desktop = 1 ]; then
  rows+=(
    "$classes\\Applications\\velmorant.exe\\shell\\open\\command||REG_SZ|\"$folder\\velmorant.exe\" \"%1\""
    "$classes\\Applications\\velmorant.exe\\SupportedTypes|.html|REG_SZ|"
    "$classes\\Applications\\velmorant.exe\\SupportedTypes|.htm|REG_SZ|"
    "$classes\\.html\\OpenWithList\\velmorant.exe||REG_SZ|"
    "$classes\\.htm\\OpenWithList\\velmorant.exe||REG_SZ|"
  )
else
  rows+=("$classes\\Applications\\velmorant.exe|-" "$classes\\.htm|-" "$classes\\.html\\OpenWithList|-")
fi
for row in "${rows[@]}"; do
  IFS='|' read -r key value type data <<<"$row"
  if [ "$value" = - ]; then
    ! grep -qxF "$key|" "$tmp/values" || fail "$key was made"
  else
    grep -qxF "$key|${value:-(Default)}|$type|$data" "$tmp/values" ||
      fail "$key has no ${value:-(Default)} $type \"$data\": $(grep -F "$key|" "$tmp/values")"
  fi
done

# The installed command line converts as the build's does.
outputs=()
for exe in "$folder\\velmorant-cli.exe" "$(dos "$cli")"; do
  out=$tmp/out${#outputs[@]}.html
  win "$exe" -q -r 1 -o "$(dos "$out")" "$(dos "$log")" || fail "$exe failed on $log"
  outputs+=("$out")
done
cmp "${outputs[@]}" >&2 || fail "the installed velmorant-cli converts otherwise than the build's"
cmp -s "$log" "${outputs[0]}" && fail "velmorant-cli left $log as it was"

# The desktop program's settings, as it will write them; the uninstaller takes them too.
win reg add 'HKCU\Software\Velmorant' /v folders/output /d 'C:\logs' /f >/dev/null

# Apps & Features runs QuietUninstallString. An NSIS uninstaller copies itself to the
# temporary folder and runs the copy, which we could not wait for; we make that copy
# ourselves and run it with _?= naming the folder it uninstalls, which waits.
quiet=$(grep -F "$uninstall|QuietUninstallString|" "$tmp/values" | cut -d'|' -f4)
uninstaller=${quiet#\"} && uninstaller=${uninstaller%%\"*}
cp "$(host "$uninstaller")" "$tmp/uninstall.exe"
win "$(dos "$tmp/uninstall.exe")" ${quiet#*\" } "_?=$folder" || fail "the uninstaller failed ($?)"

files | diff "$tmp/files.before" - >&2 || fail "files are left after the uninstall"
registry HKCU | diff "$tmp/hkcu.before" - >&2 || fail "HKCU is not as before the install"

WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
rm -rf "$prefix" "$tmp"
echo "setup test: installed, converted and uninstalled (desktop program: $desktop)"
