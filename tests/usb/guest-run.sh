#!/bin/bash
# Inside the test machine, chrooted into the host's root (read-only): loads the USB
# gadget modules, presents three gadget converters and a keyboard, and runs the
# kernel-path tests against them, once with an interrupt OUT endpoint and once with
# output reports as SET_REPORT; velkorctl.exe and the window under wine with the first. Arguments:
# source folder, build folder, results folder (the one writable share), Windows build
# folder, wine prefix. The results folder gets every test's output and "status".
set -u
source_dir=$1
build_dir=$2
results=$3
windows_build_dir=$4
wine_prefix=$5
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp XDG_RUNTIME_DIR=/run
export VELKOR_GADGET="$build_dir/velkor-gadget/velkor-gadget" VELKOR_GADGET_SOCKET=/run/velkor-gadget.sock
export VELKORCTL="$build_dir/velkorctl/velkorctl"
# The checks' Python would leave its compiled files in the read-only source folder.
export PYTHONDONTWRITEBYTECODE=1
echo 1 >"$results/status"
for m in "dummy_hcd num=4" libcomposite usb_f_hid usbhid hid_generic; do
  modprobe $m || { echo "guest: the module $m did not load"; exit 1; }
done

# velkor-node and its registry double talk over the loopback, which nothing else brings up here.
ip link set lo up || { echo "guest: the loopback interface did not come up"; exit 1; }

failed=0
start_gadget() {  # start_gadget [--no-out-endpoint]
  "$VELKOR_GADGET" --control "$VELKOR_GADGET_SOCKET" "$@" \
    --converter "tq4410,2ee4:001a,TQ4410-A01,Studio A" --converter "tq4410,0483:5750,TQ4410-B02,OB Truck" \
    --converter "tq6630,2ee4:001b,TQ6630-C03,Stage Left" --keyboard 046d:c31c >>"$results/gadget.log" 2>&1 &
  gadget_pid=$!
  for _ in $(seq 100); do
    [ "$(ls /sys/class/hidraw | wc -l)" -ge 4 ] && [ -S "$VELKOR_GADGET_SOCKET" ] && sleep 0.3 && return 0
    sleep 0.1
  done
  echo "guest: the gadget converters did not appear"; cat "$results/gadget.log"; return 1
}
stop_gadget() {
  kill "$gadget_pid" && wait "$gadget_pid"
}
run() {  # run NAME COMMAND...: its output to the console and to NAME.log
  local name=$1
  shift
  echo "=== $name"
  if "$@" 2>&1 | tee "$results/$name.log"; [ "${PIPESTATUS[0]}" -ne 0 ]; then
    echo "=== $name FAILED"
    failed=$((failed + 1))
  fi
}

cd /tmp
for variant in out-endpoint set-report; do
  option=""
  [ $variant = set-report ] && option=--no-out-endpoint
  start_gadget $option || { failed=$((failed + 1)); continue; }
  [ $variant = out-endpoint ] && run velkorctl "$source_dir/tests/usb/velkorctl-checks.sh" "$build_dir/velkorctl/velkorctl" "$VELKOR_GADGET"
  [ $variant = out-endpoint ] && run app-flows env QT_QPA_PLATFORM=offscreen "$build_dir/tests/usb/test_usb_app" \
    --gtest_output="xml:$results/app-flows.xml"
  [ $variant = out-endpoint ] && run node "$source_dir/tests/usb/node-checks.py" "$build_dir/velkor-node/velkor-node" "$VELKORCTL"
  run "kernel-path-$variant" "$build_dir/tests/usb/test_usb_kernel" --gtest_output="xml:$results/kernel-path-$variant.xml"
  [ $variant = out-endpoint ] && run bench "$build_dir/bench/bench_kernel_exchange" --benchmark_min_time=1
  [ $variant = out-endpoint ] && run wine "$source_dir/tests/usb/wine-checks.sh" "$windows_build_dir/velkorctl/velkorctl.exe" \
    "$VELKOR_GADGET" "$wine_prefix" "$windows_build_dir/tests/usb/test_window_under_wine.exe" \
    "$windows_build_dir/deploy"
  stop_gadget
done

echo "$failed" >"$results/status"
