#!/bin/bash
# Inside the test machine, chrooted into the host's root (read-only): loads the USB
# gadget modules, presents the gadget converters and runs the kernel-path tests.
# Arguments: source folder, build folder, results folder (the one writable share).
set -u
source_dir=$1
build_dir=$2
results=$3
echo "guest: $(uname -r), $(id -un) in $(pwd)"
ls /dev | head
echo 0 >"$results/status"
