#!/bin/sh
# velkorctl.exe as a script on Windows meets it, run under wine: exit codes, results
# alone on standard output, settings files through standard input and output byte for
# byte, and the virtual converters' state kept between runs, one run at a time.
# Usage: binary_test_windows.sh path/to/wine64 path/to/velkorctl.exe
set -u
wine="$1"
exe="$2"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0

ctl() { "$wine" "$exe" "$@"; }

check() {  # check DESCRIPTION COMMAND...: counts and tells
  description=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $description"; fi
}

exits() {  # exits CODE ARGUMENT...: velkorctl ARGUMENT... ends with CODE
  want=$1
  shift
  ctl "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
  got=$?
  [ "$got" -eq "$want" ] || { echo "velkorctl $*: exit $got, expected $want"; cat "$tmp/err"; return 1; }
}

check "start from the demo's state" exits 0 virtual-reset
check "list" exits 0 --virtual list
check "status of one" exits 0 --virtual status -d 3
check "none chosen of three" exits 2 --virtual status
check "a bad value" exits 2 --virtual set -d 1 output-format=bogus
check "no such converter" exits 3 --virtual status -d 9
check "no such command" exits 2 frobnicate
check "version" exits 0 --version
check "no converter of this machine" exits 3 list
check "no converter: said" grep -q '^velkorctl: no converter found' "$tmp/err"

# Settings files through the standard streams: what goes out is the file itself, LF
# line ends and no CR added; a file with CRLF comes in whole.
check "save -" exits 0 --virtual save -d 2 -
check "save -: the file, LF line ends" grep -q '^Configuration=0$' "$tmp/out"
check "save -: no CR added" test "$(tr -cd '\r' <"$tmp/out" | wc -c)" -eq 0
sed 's/Output Format=[0-9]*/Output Format=5/; s/$/\r/' "$tmp/out" >"$tmp/crlf.ini"
ctl --virtual load -d 2 - <"$tmp/crlf.ini" >"$tmp/out" 2>"$tmp/err"
check "load - of a CRLF file" test $? -eq 0

# Set, then check, in two runs, as with hardware; virtual-reset starts from the demo again.
word() {  # word ARGUMENT...: the output format velkorctl --json status reports
  ctl --virtual --json "$@" status | sed 's/.*"settings":{"output-format":{"code":[0-9]*,"word":"\([^"]*\)".*/\1/'
}
check "kept: set" exits 0 --virtual set -d 2 output-format=720p25
check "kept: the next run finds it" test "$(word -d 2)" = 720p25
check "kept: the others as they were" test "$(word -d 1)" = 720p24
# Two runs at once: each finds the other's change, none is lost.
ctl --virtual set -d 1 output-format=720p50 >/dev/null &
ctl --virtual set -d 3 output-format=720p50 >/dev/null
wait
check "kept: two runs at once, the first" test "$(word -d 1)" = 720p50
check "kept: two runs at once, the second" test "$(word -d 3)" = 720p50
check "kept: reset" exits 0 virtual-reset
check "kept: reset to the demo's" test "$(word -d 2)" = 1080p24

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
