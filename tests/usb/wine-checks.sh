#!/bin/bash
# velkorctl.exe, the Windows build, run under wine in the test machine against the
# gadget converters: wine's HID stack (winebus reading the hidraw nodes, its HID class
# driver, SetupAPI and hid.dll) stands where Windows' would, so the SetupAPI transport
# meets devices with real USB parents. Checked by exit status and against what the
# converters hold, as velkorctl-checks.sh checks the Linux build.
# Arguments: velkorctl.exe, velkor-gadget (its control socket is $VELKOR_GADGET_SOCKET).
set -u
exe=$1
gadget=$2
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local description=$1
  shift
  if "$@"; then
    echo "ok - $description"
    passed=$((passed + 1))
  else
    echo "FAILED - $description"
    failed=$((failed + 1))
  fi
}
send() { "$gadget" --control "$VELKOR_GADGET_SOCKET" --send "$*" >/dev/null; }
# held N KEY: what gadget converter N holds under KEY
held() { "$gadget" --control "$VELKOR_GADGET_SOCKET" --send "state $1" | sed -n "s/^$2=//p"; }
# setting N POSITION: one byte of the settable run (0-based, the apply frame's order)
setting() { held "$1" settings | cut -d, -f$(($2 + 1)); }
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
frames_all() {
  local sum=0 n
  for n in 1 2 3; do sum=$((sum + $(held $n frames))); done
  echo $sum
}

[ -x "$wine" ] || { echo "wine: $wine is missing (scripts/build-windows.sh installs wine64)"; exit 1; }
[ -f "$exe" ] || { echo "wine: $exe is missing (scripts/build-windows.sh builds it)"; exit 1; }
work=$(mktemp -d /tmp/wine-checks.XXXXXX)
# A prefix of its own, thrown away. Nothing draws: no display, no menu entries, no
# .NET or HTML engines to install.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all DISPLAY= WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap '"$wineserver" -k 2>/dev/null; rm -rf "$work"' EXIT

# wine 8 looks for HID devices through SDL first and then takes none of the hidraw
# nodes; with SDL off it reads them itself, and with no udev daemon in this machine it
# watches /dev instead of asking one.
start=$(date +%s)
if ! "$wine" wineboot --init >"$work/wineboot.log" 2>&1; then
  echo "wine: the prefix could not be made"
  cat "$work/wineboot.log"
  exit 1
fi
winebus='HKLM\System\CurrentControlSet\Services\winebus'
for value in "Enable SDL=0" "DisableUdevd=1"; do
  if ! "$wine" reg add "$winebus" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f >"$work/reg.log" 2>&1; then
    echo "wine: the registry value ${value%=*} could not be set"
    cat "$work/reg.log"
    exit 1
  fi
done
# winebus reads the values when it starts: a new server starts it again. The server
# stays between the runs, so that each run finds the devices already there rather
# than wine looking for them anew.
"$wineserver" -k
"$wineserver" -w
"$wineserver" -p
echo "wine: prefix ready after $(($(date +%s) - start)) s"

# Wine adds the devices once its bus driver has started: the first runs may list fewer.
start=$(date +%s)
for _ in $(seq 60); do
  ctl list 2>/dev/null | grep -q "TQ6630" && [ "$(ctl list 2>/dev/null | grep -c .)" -ge 3 ] && break
  sleep 2
done
echo "wine: converters listed after $(($(date +%s) - start)) s"

# The converters as the gadget made them, whatever the runs before left.
send name 1 Studio A
send name 2 OB Truck
send name 3 Stage Left
for n in 1 2 3; do
  send reset $n
  send dip $n on
  send settings $n 0,0,0,0,0,0,0,0
done

# list: the three converters with model, vendor:product and serial, not the keyboard.
check "list exits 0" exits 0 list
check "list shows three converters" test "$(grep -c . "$work/out")" -eq 3
for expected in "TQ4410 2ee4:001a .*TQ4410-A01" "TQ4410 0483:5750 .*TQ4410-B02" "TQ6630 2ee4:001b .*TQ6630-C03"; do
  check "list shows $expected" grep -q "$expected" "$work/out"
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
send fault 3 no-reply on
start=$(date +%s%N)
check "no reply exits 1" exits 1 --model tq6630 --all status
check "no reply ends within 5 s" test $((($(date +%s%N) - start) / 1000000)) -lt 5000
send fault 3 no-reply off

for n in 1 2 3; do send settings $n 0,0,0,0,0,0,0,0; done
echo "wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
