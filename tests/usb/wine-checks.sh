#!/bin/bash
# velkorctl.exe, the Windows build, run under wine in the test machine against the
# gadget converters: wine's HID stack (winebus reading the hidraw nodes, its HID class
# driver, SetupAPI and hid.dll) stands where Windows' would, so the SetupAPI transport
# meets devices with real USB parents. Checked by exit status and against what the
# converters hold, as velkorctl-checks.sh checks the Linux build.
# The window program's flow (WindowUnderWineTest) runs here too, in the same wine.
# Arguments: velkorctl.exe, velkor-gadget (its control socket is $VELKOR_GADGET_SOCKET),
# the wine prefix make-wine-prefix.sh made, the window's flow (test_window_under_wine.exe),
# the Windows build's program layout (the Qt DLLs and plugins the flow loads).
set -u
exe=$1
gadget=$2
template=$3
window_test=$4
layout=$5
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
source "$(dirname "$0")/gadget-checks.sh"
ctl() { "$wine" "$exe" "$@"; }
exits() {  # exits CODE velkorctl-ARGUMENTS...: velkorctl.exe ends with that exit status
  local want=$1
  shift
  ctl "$@" >"$work/out.raw" 2>"$work/err.raw"
  local got=$?
  # A Windows program's lines may end in CR LF; the checks compare text.
  tr -d '\r' <"$work/out.raw" >"$work/out"
  tr -d '\r' <"$work/err.raw" >"$work/err"
  [ "$got" -eq "$want" ] || { echo "  exit $got, wanted $want: velkorctl.exe $*"; cat "$work/err"; return 1; }
}

for program in "$exe" "$window_test"; do
  [ -f "$program" ] || { echo "wine: $program is missing (scripts/build-windows.sh builds it)"; exit 1; }
done
[ -f "$template/system.reg" ] || { echo "wine: no prefix in $template (make-wine-prefix.sh makes it)"; exit 1; }
work=$(mktemp -d /tmp/wine-checks.XXXXXX)
# The prefix made on the host, read-only here, with what wine writes kept in memory:
# copying its 700 MB would fill the machine's memory.
mkdir -p "$work/prefix" "$work/upper" "$work/overlay-work"
modprobe overlay || { echo "wine: the module overlay did not load"; exit 1; }
if ! mount -t overlay overlay -o "lowerdir=$template,upperdir=$work/upper,workdir=$work/overlay-work" "$work/prefix"; then
  echo "wine: the prefix could not be mounted"
  exit 1
fi
export WINEPREFIX="$work/prefix" WINEDEBUG=-all DISPLAY= WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap '"$wineserver" -k 2>/dev/null; "$wineserver" -w; umount "$work/prefix"; rm -rf "$work"' EXIT
# The server stays between the runs, so that each run finds wine's services and the
# devices already there rather than wine looking for them anew.
"$wineserver" -p

# Wine adds the devices once its bus driver has started: the first runs may list fewer.
# Its services take 20 s to 80 s to start in this emulated machine, more on a loaded host.
# The first run starts wine's services, which keep its error stream and debug
# channels: what its HID stack says lands in one log, shown when nothing is found.
start=$(date +%s)
WINEDEBUG=+hid,+plugplay ctl list >/dev/null 2>"$work/hid.log"
while [ "$(ctl list 2>/dev/null | grep -c TQ)" -lt 3 ] && [ $(($(date +%s) - start)) -lt 240 ]; do
  sleep 2
done
echo "wine: $(ctl list 2>/dev/null | grep -c TQ) converters listed after $(($(date +%s) - start)) s"
if [ "$(ctl list 2>/dev/null | grep -c TQ)" -lt 3 ]; then
  echo "wine: its HID stack did not show the three converters; the hidraw nodes, what velkorctl.exe saw and what wine said:"
  ls -l /dev/hidraw*
  ctl --verbose list 2>&1
  grep -Ei "hidraw|udev|sdl|vid_2ee4|vid_0483|rev_|err:|warn:hid|bus_" "$work/hid.log" | head -n 150
  exit 1
fi

# The converters as the gadget made them, whatever the runs before left.
send name 1 Studio A
send name 2 OB Truck
send name 3 Stage Left
for n in 1 2 3; do
  send reset $n
  send dip $n on
  send settings $n 0,0,0,0,0,0,0,0
done

# list: the three converters with model, vendor:product and serial number, not the
# keyboard. Wine's interface paths carry the serial number, in lower case.
check "list exits 0" exits 0 list
check "list shows three converters" test "$(grep -c . "$work/out")" -eq 3
for expected in "TQ4410 2ee4:001a .*TQ4410-A01" "TQ4410 0483:5750 .*TQ4410-B02" "TQ6630 2ee4:001b .*TQ6630-C03"; do
  check "list shows $expected" grep -qi "$expected" "$work/out"
done
check "list leaves out the keyboard" bash -c "! grep -qi 046d '$work/out'"
echo "  list under wine:"
sed 's/^/    /' "$work/out"

# status
check "status by custom name" exits 0 status -d "Stage Left"
check "status shows the name" grep -q "Stage Left" "$work/out"
check "--json status" exits 0 --json status -d "OB Truck"
check "--json status is one object naming the converter" test "$(grep -c '^{.*OB Truck.*}$' "$work/out")" -eq 1

# set: the converter receives it, holds it, and a new run reads it back
before=$(held 2 frames)
check "set vertical-margin" exits 0 set -d "OB Truck" vertical-margin=7
check "the converter received frames" test "$(held 2 frames)" -gt "$before"
check "the converter holds vertical-margin 7" test "$(setting 2 6)" = 7
check "the others kept theirs" test "$(setting 1 6)$(setting 3 4)" = 00
check "--json status reads it back" exits 0 --json status -d "OB Truck"
check "the status holds vertical-margin 7" grep -q '"vertical-margin":{"code":7,' "$work/out"

# exit codes as on Linux
check "an unknown converter exits 3" exits 3 status -d "Nobody"
before=$(frames_all)
check "a bad value exits 2" exits 2 set -d 1 output-format=banana
check "a bad value sends nothing" test "$(frames_all)" = "$before"
send dip 2 off
check "DIP switch off: set exits 1" exits 1 set -d "OB Truck" vertical-margin=3
check "DIP switch off: nothing changed" test "$(setting 2 6)" = 7
send dip 2 on
# A silent converter costs its exchanges' time limits and no more (the Linux build ends
# within 3 s): measured beside the same run on an answering converter, so that wine's
# start-up in this loaded, emulated machine counts in both.
start=$(date +%s%N)
check "an answering converter exits 0" exits 0 --model tq6630 --all status
answering_ms=$((($(date +%s%N) - start) / 1000000))
send fault 3 no-reply on
start=$(date +%s%N)
check "no reply exits 1" exits 1 --model tq6630 --all status
silent_ms=$((($(date +%s%N) - start) / 1000000))
check "no reply ends within 4 s of an answered run ($silent_ms ms against $answering_ms ms)" \
  test "$silent_ms" -lt $((answering_ms + 4000))
send fault 3 no-reply off

# The window program's Windows build: it lists, chooses and reads a converter, and a
# change made on its output page reaches the converter.
send settings 3 0,0,0,0,0,0,0,0
# Wine hands a program its PATH as WINEPATH and Qt's plugin folder as WINEQT_PLUGIN_PATH.
check "the window lists the converters, reads Stage Left and changes its output format" \
  env WINEPATH="Z:$layout" WINEQT_PLUGIN_PATH="Z:$layout" "$wine" "$window_test" --gtest_brief=1
check "the window's change reached the converter: output format 1" test "$(setting 3 0)" = 1

for n in 1 2 3; do send settings $n 0,0,0,0,0,0,0,0; done
echo "wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
