# What the shell checks of the test machine share, sourced by each: counting checks, and
# asking the gadget converters what they hold. Needs $gadget (velkor-gadget) and
# $VELKOR_GADGET_SOCKET.
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
# The frames all three converters received.
frames_all() {
  local sum=0 n
  for n in 1 2 3; do sum=$((sum + $(held $n frames))); done
  echo $sum
}
