#!/bin/sh
# velkorctl as a script meets it: exit codes, and results alone on standard output.
# Usage: binary_test.sh path/to/velkorctl path/to/completions
set -u
ctl="$1"
completions="$2"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The virtual converters keep their state here, apart from the user's.
export XDG_RUNTIME_DIR="$tmp/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
passed=0
failed=0

check() {  # check DESCRIPTION COMMAND...: counts and tells
  description=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $description"; fi
}

exits() {  # exits CODE ARGUMENT...: velkorctl ARGUMENT... ends with CODE
  want=$1
  shift
  "$ctl" "$@" >"$tmp/out" 2>"$tmp/err"
  got=$?
  [ "$got" -eq "$want" ] || { echo "velkorctl $*: exit $got, expected $want"; cat "$tmp/err"; return 1; }
}

check "list" exits 0 --virtual list
check "status of one" exits 0 --virtual status -d 3
check "set" exits 0 --virtual --json set -d 1 output-format=1080p50
check "set on every TQ4410" exits 0 --virtual --model tq4410 --all set overlays=ON
check "save" exits 0 --virtual save -d 2 "$tmp/truck.ini"
check "load" exits 0 --virtual load -d "Studio A" "$tmp/truck.ini"
check "none chosen of three" exits 2 --virtual status
check "a bad value" exits 2 --virtual set -d 1 output-format=bogus
check "no such converter" exits 3 --virtual status -d 9
check "no such command" exits 2 frobnicate
check "no such command: named" grep -q '^velkorctl: unknown command "frobnicate"; the commands are list, status' "$tmp/err"
check "version" exits 0 --version
check "version: one line" grep -qx 'velkorctl [0-9.]*' "$tmp/out"
check "help" exits 0 set --help
check "udev rule" exits 0 udev-rule
check "udev rule for a group" exits 0 udev-rule --group plugdev
check "no group name" exits 2 udev-rule --group "a b"

# --verbose puts the core's lines and the frames on standard error; standard output
# keeps the result alone.
"$ctl" --virtual --verbose --json status -d 2 >"$tmp/out" 2>"$tmp/err"
check "verbose: one result line" test "$(wc -l <"$tmp/out")" -eq 1
check "verbose: the result" grep -q '"name":"OB Truck 2"' "$tmp/out"
check "verbose: diagnostic lines on stderr" grep -q "the cmd is 0x50" "$tmp/err"
check "verbose: frames on stderr" grep -q "^virtual:/tq4410-ob-truck <- 00a56c" "$tmp/err"
"$ctl" --virtual status -d 2 >"$tmp/out" 2>"$tmp/err"
check "quiet: nothing on stderr" test ! -s "$tmp/err"

# Set, then check, in two runs, as with hardware; virtual-reset starts from the demo again.
word() {  # word ARGUMENT...: the output format velkorctl --json status reports
  "$ctl" --virtual --json "$@" status | sed 's/.*"settings":{"output-format":{"code":[0-9]*,"word":"\([^"]*\)".*/\1/'
}
check "kept: from the demo's state" exits 0 virtual-reset
check "kept: set" exits 0 --virtual set -d 2 output-format=720p25
check "kept: the next run finds it" test "$(word -d 2)" = 720p25
check "kept: the others as they were" test "$(word -d 1)" = 720p24
# Two runs at once: each finds the other's change, none is lost.
"$ctl" --virtual set -d 1 output-format=720p50 >/dev/null &
"$ctl" --virtual set -d 3 output-format=720p50 >/dev/null
wait
check "kept: two runs at once, the first" test "$(word -d 1)" = 720p50
check "kept: two runs at once, the second" test "$(word -d 3)" = 720p50
check "kept: reset" exits 0 virtual-reset
check "kept: reset to the demo's" test "$(word -d 2)" = 1080p24
rm -r "$XDG_RUNTIME_DIR/velkorctl"
mkfifo "$XDG_RUNTIME_DIR/velkorctl-fifo"
mkdir -m 700 "$XDG_RUNTIME_DIR/velkorctl"
ln -s ../velkorctl-fifo "$XDG_RUNTIME_DIR/velkorctl/virtual-converters.json"
check "a state file that is a link: the command still works" exits 0 --virtual set -d 2 output-format=720p25
check "a state file that is a link: told" grep -q "virtual-converters.json is a symbolic link" "$tmp/err"
check "a state file that is a link: left" test -L "$XDG_RUNTIME_DIR/velkorctl/virtual-converters.json"

# bash completion, as bash calls it: commands, then the keys of set.
complete_words() {  # complete_words WORD...: what completing the last word offers
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _velkorctl; printf "%s\n" "${COMPREPLY[@]}"' \
    sh "$completions/velkorctl.bash" velkorctl "$@" 2>/dev/null | sort | tr '\n' ' '
}
check "bash completion: commands" test "$(complete_words --json s)" = "save set status store-custom "
check "bash completion: models" test "$(complete_words --model t)" = "tq4410 tq6630 "
check "bash completion: keys" test "$(complete_words -d 1 set image-)" = "image-flip= "
# Every command and setting key of velkorctl's own help, in every completion.
"$ctl" --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && NF {print $1}' >"$tmp/commands"
"$ctl" set --help | grep '^Keys' | sed 's/TQ[0-9]*://g; s/^Keys//' | tr -s ' ,;.' '\n' | grep . | sort -u >"$tmp/keys"
for file in velkorctl.bash _velkorctl velkorctl.fish; do
  for name in $(cat "$tmp/commands" "$tmp/keys"); do
    grep -qw -- "$name" "$completions/$file" || { echo "$file lacks $name"; failed=$((failed + 1)); }
  done
done
check "completions: the commands found" test "$(wc -l <"$tmp/commands")" -ge 9
check "completions: the keys found" test "$(wc -l <"$tmp/keys")" -ge 12

# Endless, stalling and device targets end at once with a refusal; none is written.
bounded() {  # bounded SECONDS CODE ARGUMENT...: velkorctl ends within SECONDS with CODE
  limit=$1
  shift
  want=$1
  shift
  timeout "$limit" "$ctl" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
  got=$?
  [ "$got" -eq "$want" ] || { echo "velkorctl $*: exit $got, expected $want"; cat "$tmp/err"; return 1; }
}
check "load /dev/zero is refused" bounded 10 2 --virtual load -d 2 /dev/zero
check "load /dev/urandom is refused" bounded 10 2 --virtual load -d 2 /dev/urandom
check "save /dev/full is refused" bounded 10 2 --virtual save -d 2 /dev/full
check "save /dev/null is refused" bounded 10 2 --virtual save -d 2 /dev/null
check "/dev/null stays a device" test -c /dev/null
mkfifo "$tmp/fifo"
check "load from a FIFO without a writer is refused" bounded 10 2 --virtual load -d 2 "$tmp/fifo"
check "save to a FIFO is refused" bounded 10 2 --virtual save -d 2 "$tmp/fifo"
check "the FIFO stays" test -p "$tmp/fifo"
intoPipe() {  # intoPipe CODE ARGUMENT...: velkorctl with standard output a pipe ends with CODE
  want=$1
  shift
  { timeout 10 "$ctl" "$@" 2>"$tmp/err"; echo $? >"$tmp/code"; } | cat >"$tmp/out"
  [ "$(cat "$tmp/code")" -eq "$want" ] || { echo "velkorctl $*: exit $(cat "$tmp/code"), expected $want"; return 1; }
}
check "save /dev/stdout into a pipe is refused" intoPipe 2 --virtual save -d 2 /dev/stdout
check "save - into a pipe" intoPipe 0 --virtual save -d 2 -
check "save - gives the file" grep -q '^Configuration=0$' "$tmp/out"
check "save - says it on standard error" grep -q 'saved to standard output' "$tmp/err"
timeout 10 "$ctl" --virtual save -d 2 - >/dev/full 2>"$tmp/err"
check "save - to a full disk fails" test $? -eq 2
check "save - to a full disk says so" grep -q 'standard output could not be written' "$tmp/err"
head -c 3000000 /dev/zero | timeout 10 "$ctl" --virtual load -d 2 - >"$tmp/out" 2>"$tmp/err"
check "load - of an endless stream stops at the bound" grep -q 'larger than 1 MiB' "$tmp/err"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
