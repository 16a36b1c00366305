#!/usr/bin/env bash
# Runs the program against converters that reach it through the Linux kernel: Debian's
# own kernel, booted in a virtual machine, presents gadget converters as real USB HID
# devices, and the hidapi builds of velkorctl, the application, velkor-node and the
# kernel-path tests run against them inside it. The machine sees this one's root read-only and
# brings its results back through one writable folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
scripts/install-deps.sh
scripts/build.sh
build_dir="$(realpath "${BUILD_DIR:-build}")"
# velkorctl.exe runs in the machine too, under wine, which this build installs.
windows_build_dir="$(realpath "${WINDOWS_BUILD_DIR:-build-windows}")"
BUILD_DIR="$windows_build_dir" scripts/build-windows.sh

scripts/install-deps.sh qemu-system-x86 linux-image-amd64 busybox-static python3-websocket

# The newest installed Debian kernel whose modules are present.
kernel=""
for image in $(ls -v /boot/vmlinuz-*-amd64 2>/dev/null); do
  version=${image#/boot/vmlinuz-}
  [ -f "/lib/modules/$version/modules.dep" ] && kernel=$version
done
[ -n "$kernel" ] || { echo "test-usb: no Debian kernel with modules in /boot" >&2; exit 1; }
modules_dir=/lib/modules/$kernel

work="$build_dir/usb-guest"
rm -rf "$work"
mkdir -p "$work/initramfs"/{bin,modules,proc,sys,dev,newroot} "$work/results"
chmod 1777 "$work/results"
tests/usb/make-wine-prefix.sh "$work/wine-prefix"

# The initramfs only needs to reach the host's root: virtio and 9p, each module after
# the ones it depends on.
loaded=()
add_module() {  # add_module NAME.ko
  local name=$1 entry dep
  for dep in "${loaded[@]}"; do [ "$dep" = "$name" ] && return 0; done
  entry=$(grep -E "(^|/)$name:" "$modules_dir/modules.dep") || { echo "test-usb: no module $name" >&2; exit 1; }
  for dep in ${entry#*:}; do add_module "$(basename "$dep")"; done
  cp "$modules_dir/${entry%%:*}" "$work/initramfs/modules/"
  loaded+=("$name")
  echo "$name" >>"$work/initramfs/modules/order"
}
for m in virtio_pci.ko 9pnet_virtio.ko 9p.ko; do add_module "$m"; done

cp /bin/busybox "$work/initramfs/bin/busybox"
guest_script="$source_dir/tests/usb/guest-run.sh"
cat >"$work/initramfs/init" <<INIT
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in \$(cat /modules/order); do insmod /modules/\$m || echo "init: \$m did not load"; done
if mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=262144 hostroot /newroot; then
  # A second view of the host's root, for the folders the machine's own /tmp and /run
  # would hide: a checkout may sit in either.
  mkdir -p /hostroot && mount --bind /newroot /hostroot
  mount -t proc proc /newroot/proc
  mount -t sysfs sys /newroot/sys
  mount -t devtmpfs dev /newroot/dev
  mount -t tmpfs tmp /newroot/tmp
  mount -t tmpfs run /newroot/run
  mkdir -p /newroot/dev/shm && mount -t tmpfs shm /newroot/dev/shm
  for shown in "$source_dir" "$build_dir" "$windows_build_dir"; do
    case "\$shown" in
      /tmp/* | /run/*) mkdir -p "/newroot\$shown" && mount --bind "/hostroot\$shown" "/newroot\$shown" ;;
    esac
  done
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 results "/newroot$work/results"
  chroot /newroot /bin/bash "$guest_script" "$source_dir" "$build_dir" "$work/results" "$windows_build_dir" "$work/wine-prefix"
else
  echo "init: the host's root did not mount"
fi
sync
poweroff -f
INIT
chmod +x "$work/initramfs/init"
(cd "$work/initramfs" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initramfs.cpio.gz"

echo "test-usb: booting $kernel"
start=$(date +%s)
timeout 900 qemu-system-x86_64 -accel tcg -m 2048 -smp 2 -nographic -no-reboot -nic none \
  -kernel "/boot/vmlinuz-$kernel" -initrd "$work/initramfs.cpio.gz" \
  -append "console=ttyS0 panic=-1 quiet loglevel=3" \
  -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap \
  -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
  -fsdev local,id=results,path="$work/results",security_model=none,multidevs=remap \
  -device virtio-9p-pci,fsdev=results,mount_tag=results \
  </dev/null | tee "$work/console.log" || true
echo "test-usb: the machine ran $(($(date +%s) - start)) s"

for result in "$work"/results/*.xml; do
  [ -f "$result" ] && echo "test-usb: $(basename "$result" .xml): $(grep -o '<testsuites tests="[0-9]*" failures="[0-9]*"' "$result" | sed 's/<testsuites //')"
done
status=$(cat "$work/results/status" 2>/dev/null || echo "none")
if [ "$status" != "0" ]; then
  echo "test-usb: the guest run failed (failed runs: $status); console in $work/console.log" >&2
  exit 1
fi
echo "test-usb: every check in the guest passed"
