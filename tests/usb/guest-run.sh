#!/bin/bash
# Inside the test machine, chrooted into the host's root (read-only): loads the USB
# gadget modules, presents the gadget converters and runs the kernel-path tests.
# Arguments: source folder, build folder, results folder (the one writable share).
set -u
source_dir=$1
build_dir=$2
results=$3
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
echo 1 >"$results/status"
modprobe dummy_hcd num=4 && modprobe libcomposite && modprobe usb_f_hid && modprobe usbhid && modprobe hid_generic || {
  echo "guest: the USB modules did not load"; exit 1; }
gadget="$build_dir/hid/velkor-gadget"
ctl="$build_dir/tools/velkorctl"
"$gadget" --converter "tq4410,2ee4:001a,TQ4410-A01,Studio A" --converter "tq4410,0483:5750,TQ4410-B02,OB Truck" \
  --converter "tq6630,2ee4:001b,TQ6630-C03,Stage Left" --keyboard 046d:c31c >"$results/gadget.log" 2>&1 &
for i in $(seq 50); do [ "$(ls /dev/hidraw* 2>/dev/null | wc -l)" -ge 4 ] && break; sleep 0.2; done
cat "$results/gadget.log"
ls -l /dev/hidraw* /dev/hidg*
time "$ctl" list
time "$ctl" status -d 1
time "$ctl" --json status -d 3
"$gadget" --send "state 1"
dmesg | tail -20
echo 0 >"$results/status"
