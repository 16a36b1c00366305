#!/bin/sh
# Runs a test program as a user other than root, since permissions stop nobody else:
# as it is for any other user; as nobody (through setpriv or runuser) when started as
# root, from a copy in a scratch folder that nobody can reach, with a character device
# made there beforehand (only root may make one). Skips (77) with a clear message when
# privileges cannot be dropped.
# Usage: run_as_another_user.sh PROGRAM [ARGUMENT...]
set -u
program="$1"
shift
if [ "$(id -u)" -ne 0 ]; then
  exec "$program" "$@"
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
cp "$program" "$scratch/test"
mkdir "$scratch/dev"
mknod "$scratch/dev/null" c 1 3 && chmod 666 "$scratch/dev/null"
chmod 777 "$scratch/dev"

if setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null; then
  drop="setpriv --reuid=nobody --regid=nogroup --clear-groups"
elif runuser -u nobody -- true 2>/dev/null; then
  drop="runuser -u nobody --"
else
  echo "SKIPPED: running as root and cannot become nobody (neither setpriv nor runuser works here)"
  exit 77
fi
cd "$scratch" || exit 1
# shellcheck disable=SC2086 # $drop is a command and its options
VELKOR_TEST_DEVICE="$scratch/dev/null" HOME="$scratch" TMPDIR=/tmp $drop "$scratch/test" "$@"
