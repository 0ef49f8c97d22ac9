#!/usr/bin/env bash
# Runs the Windows dialog's tests on the X display xvfb-run gives, in a Wine prefix of their
# own (a desktop process bound to one display must not outlive it), with the Japanese fonts
# of the host standing in for Windows' own. The prefix's Wine server ends with the tests.
#   RunDialogTests.sh WINE-RUN PREFIX TEST-PROGRAM [ARG...]
set -euo pipefail
wine_run=$1 prefix=$2
shift 2
"$wine_run" --gui "$prefix" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' \
  /d IPAPGothic /f >/dev/null 2>&1
status=0
"$wine_run" --gui "$prefix" "$@" || status=$?
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
exit $status
