#!/bin/bash
# velkorctl built with hidapi, run in the test machine against the gadget converters:
# every command, each checked by its exit status and against what the converters hold.
# Converters are named by their custom names, which velkorctl reads from them.
# Arguments: velkorctl, velkor-gadget (its control socket is $VELKOR_GADGET_SOCKET).
set -u
ctl=$1
gadget=$2
source "$(dirname "$0")/gadget-checks.sh"
exits() {  # exits CODE COMMAND...: the command ends with that exit status
  local want=$1
  shift
  "$@" >/tmp/ctl.out 2>/tmp/ctl.err
  local got=$?
  [ "$got" -eq "$want" ] || { echo "  exit $got, wanted $want: $*"; cat /tmp/ctl.err; return 1; }
}
work=$(mktemp -d)
cd "$work" || exit 1

# list: the three converters, not the keyboard.
check "list exits 0" exits 0 "$ctl" list
check "list shows three converters" test "$(grep -c . /tmp/ctl.out)" -eq 3
check "list shows two TQ4410 and one TQ6630" test "$(grep -c TQ4410 /tmp/ctl.out)-$(grep -c TQ6630 /tmp/ctl.out)" = 2-1
check "list leaves out the keyboard" bash -c '! grep -qi 046d /tmp/ctl.out'

# status, plain and --json
check "status by custom name" exits 0 "$ctl" status -d "Stage Left"
check "status shows the name" grep -q "Stage Left" /tmp/ctl.out
check "--json status" exits 0 "$ctl" --json status -d "OB Truck"
check "--json status is one object naming the converter" bash -c 'test $(grep -c "^{.*OB Truck.*}$" /tmp/ctl.out) -eq 1'

# set: the converter holds the value
check "set av-output-type" exits 0 "$ctl" set -d "OB Truck" av-output-type=1
check "the TQ4410 holds av-output-type 1" test "$(setting 2 4)" = 1
check "set on a TQ6630" exits 0 "$ctl" set -d "Stage Left" image-flip=1
check "the TQ6630 holds image-flip 1" test "$(setting 3 6)" = 1
check "--model tq4410 --all set" exits 0 "$ctl" --model tq4410 --all set vertical-margin=7
check "every TQ4410 holds vertical margin 7" test "$(setting 1 6)$(setting 2 6)" = 77
check "the TQ6630 kept its vertical margin" test "$(setting 3 4)" = 0
check "--json --model tq4410 --all status" exits 0 "$ctl" --json --model tq4410 --all status
check "one JSON line per TQ4410" test "$(grep -c '^{' /tmp/ctl.out)" -eq 2

# name and custom slot
check "name" exits 0 "$ctl" name -d "Studio A" "Camera 9"
check "the converter holds the new name" test "$(held 1 name)" = "Camera 9"
check "name back" exits 0 "$ctl" name -d "Camera 9" "Studio A"
check "store-custom 1" exits 0 "$ctl" store-custom -d "Stage Left" 1
check "slot 1 holds the settings" test "$(held 3 slot1)" = "$(held 3 settings)"

# save and load
check "save" exits 0 "$ctl" save -d "OB Truck" truck.ini
saved=$(held 2 settings)
send settings 2 0,0,0,0,0,0,0,0
check "load" exits 0 "$ctl" load -d "OB Truck" truck.ini
check "load sent back what was saved" test "$(held 2 settings)" = "$saved"

# refusals: nothing is sent (a custom name is found by asking, so by number here)
check "an unknown converter exits 3" exits 3 "$ctl" status -d "Nobody"
before=$(frames_all)
check "a bad value exits 2" exits 2 "$ctl" set -d 1 output-format=banana
check "a bad value sends nothing" test "$(frames_all)" = "$before"

# the converter's own refusals
send dip 2 off
check "DIP switch off: set exits 1" exits 1 "$ctl" set -d "OB Truck" av-output-type=0
check "DIP switch off: nothing changed" test "$(setting 2 4)" = 1
send dip 2 on
send fault 3 no-reply on
start=$(date +%s%N)
check "no reply exits 1" exits 1 "$ctl" --model tq6630 --all status
check "no reply ends within 3 s" test $((($(date +%s%N) - start) / 1000000)) -lt 3000
send fault 3 no-reply off
send unplug 2
sleep 1
check "list after an unplug" exits 0 "$ctl" list
check "two converters after an unplug" test "$(grep -c . /tmp/ctl.out)" -eq 2
send replug 2
sleep 1
check "udev-rule" exits 0 "$ctl" udev-rule
check "the rule names the accepted pairs" grep -qi 2ee4 /tmp/ctl.out

# Several programs on one converter: three runs at once, ten times each, two setting
# different output formats (1080p50 is 2, 720p50 is 9) and one reading the status.
for job in 1080p50 720p50 status; do
  (
    for _ in $(seq 10); do
      if [ $job = status ]; then
        out=$("$ctl" --model tq6630 status 2>&1) || echo "status exited $?: $out"
      else
        out=$("$ctl" --model tq6630 set output-format=$job 2>&1) || echo "set $job exited $?: $out"
      fi
    done
  ) >>"$work/at-once.out" &
done
wait
cat "$work/at-once.out"
check "three programs at once on one converter all succeed" test ! -s "$work/at-once.out"
format=$(setting 3 0)
check "the converter ends on one of the two formats" test "$format" = 2 -o "$format" = 9

# A program that holds the converter: others wait their limit and say who has it; once
# it is killed in the middle of its transaction, the kernel drops its lock.
node=$("$ctl" --json --model tq6630 list | sed -n 's/.*"path":"\([^"]*\)".*/\1/p')
flock --close "$node" sleep 60 &
holder=$!
sleep 0.3
start=$(date +%s%N)
check "a converter another program holds: exit 5" exits 5 "$ctl" --model tq6630 status
check "busy after the limit of 2 s, not much later" test $((($(date +%s%N) - start) / 1000000)) -lt 3500
check "the message names the holder" grep -q "busy: flock (process $holder) has had it for over 2 s" /tmp/ctl.out
kill -9 "$holder"
wait "$holder" 2>/dev/null
check "a holder killed in its turn blocks nobody" exits 0 "$ctl" --model tq6630 status

send settings 1 0,0,0,0,0,0,0,0
send settings 2 0,0,0,0,0,0,0,0
send settings 3 0,0,0,0,0,0,0,0
echo "velkorctl: $passed passed, $failed failed"
rm -rf "$work"
[ "$failed" -eq 0 ]
