#!/usr/bin/env bash
# velkor-node on the local link, with an avahi-daemon and a D-Bus system bus of its own
# in a network namespace joined to a second, empty one by a veth pair (no packet leaves
# the two):
#   1. with no registry, the node advertises _nmos-node._tcp with its TXT records;
#   2. once a registry is advertised by mDNS, the node registers with it there and
#      withdraws its advertisement;
#   3. on SIGTERM it deletes itself from that registry.
# The registry is a few lines of Python that answer as a registry does and log each
# request. Needs root (namespaces), avahi-daemon and avahi-utils (installed if missing).
#
# Environment: BUILD_DIR (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "test-mdns: needs root for its network namespaces" >&2; exit 2; }
scripts/install-deps.sh avahi-daemon avahi-utils dbus-daemon python3

build_dir="${BUILD_DIR:-build}"
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target velkor-node -j2
node_program=$(realpath "$build_dir/velkor-node/velkor-node")

ns="velkor-mdns-$$"
peer="velkor-mdns-peer-$$"
link="vkm$$"
address=10.78.0.1
node_port=8080
registry_port=8235
work=$(mktemp -d /tmp/velkor-mdns.XXXX)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  ip netns delete "$ns" 2>/dev/null || true
  ip netns delete "$peer" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "test-mdns: $1" >&2
  for log in node avahi registry; do echo "--- $log.log" >&2; tail -20 "$work/$log.log" >&2 || true; done
  exit 1
}
# Waits up to ten seconds for a command to succeed.
await() {
  for _ in $(seq 50); do "$@" && return 0; sleep 0.2; done
  return 1
}
# Not for what runs in the background: its pid would be a subshell's, not the program's.
in_ns() { ip netns exec "$ns" "$@"; }

ip netns add "$ns"
ip netns add "$peer"
in_ns ip link set lo up
# Avahi leaves loopback alone: the node's address is on a veth whose far end sits in the
# empty namespace.
ip link add "${link}a" netns "$ns" type veth peer name "${link}b" netns "$peer"
in_ns ip addr add "$address/24" dev "${link}a"
in_ns ip link set "${link}a" up multicast on
ip netns exec "$peer" ip link set "${link}b" up

# A system bus of our own: the host's bus, and any avahi-daemon on it, stay out of it.
cat > "$work/bus.conf" <<XML
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
XML
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/bus"
ip netns exec "$ns" dbus-daemon --config-file="$work/bus.conf" --nofork --nopidfile > "$work/dbus.log" 2>&1 &
pids+=($!)
await test -S "$work/bus" || fail "the D-Bus daemon did not start"

printf '[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=%s\n[wide-area]\nenable-wide-area=no\n[publish]\npublish-hinfo=no\npublish-workstation=no\n' \
  "${link}a" > "$work/avahi.conf"
# Its pid file and socket go to a folder of this run's own, not the host's /run.
ip netns exec "$ns" unshare -m sh -c "mkdir -p /run/avahi-daemon && mount -t tmpfs tmpfs /run/avahi-daemon &&
  exec avahi-daemon -f '$work/avahi.conf' --no-drop-root --no-chroot --no-rlimits" > "$work/avahi.log" 2>&1 &
pids+=($!)
await grep -q "Server startup complete" "$work/avahi.log" || fail "avahi-daemon did not start"

# No unicast DNS-SD here: an empty resolver configuration makes the node go to mDNS at once.
mkdir -p "$work/state"
: > "$work/resolv.conf"
: > "$work/node.conf"
ip netns exec "$ns" unshare -m sh -c "mount --bind '$work/resolv.conf' /etc/resolv.conf &&
  exec '$node_program' --virtual --listen '$address:$node_port' --state-dir '$work/state' --config '$work/node.conf'" \
  > "$work/node.log" 2>&1 &
node_pid=$!
pids+=("$node_pid")

node_adverts() { in_ns avahi-browse -rpt _nmos-node._tcp 2>/dev/null | grep '^=' || true; }
advertised_with_counters() {
  node_adverts | grep -q "$address;$node_port;\"api_proto=http\" \"api_ver=v1.3\" \"api_auth=false\" \"ver_slf=0\".*\"ver_dvc=[0-9]*\".*\"ver_rcv=0\""
}
await advertised_with_counters || fail "the node did not advertise _nmos-node._tcp with its TXT records; seen: $(node_adverts)"
echo "test-mdns: with no registry the node advertises itself: $(node_adverts | head -1)"

cat > "$work/registry.py" <<'PY'
import http.server, sys
class Registry(http.server.BaseHTTPRequestHandler):
    def answer(self, status):
        length = int(self.headers.get("Content-Length") or 0)
        self.rfile.read(length)
        with open(sys.argv[2], "a") as log:
            log.write(f"{self.command} {self.path}\n")
        self.send_response(status)
        self.send_header("Content-Length", "0")
        self.end_headers()
    def do_POST(self):
        self.answer(201 if self.path.endswith("/resource") else 200)
    def do_DELETE(self):
        self.answer(204)
    def log_message(self, *args):
        pass
http.server.ThreadingHTTPServer(("0.0.0.0", int(sys.argv[1])), Registry).serve_forever()
PY
: > "$work/requests.log"
ip netns exec "$ns" python3 "$work/registry.py" "$registry_port" "$work/requests.log" > "$work/registry.log" 2>&1 &
pids+=($!)
ip netns exec "$ns" avahi-publish -s velkor-test-registry _nmos-register._tcp "$registry_port" pri=10 api_ver=v1.2,v1.3 \
  api_proto=http api_auth=false >> "$work/avahi.log" 2>&1 &
pids+=($!)

registered() { grep -q "^POST /x-nmos/registration/v1.3/resource$" "$work/requests.log"; }
await registered || fail "the node did not register with the registry advertised by mDNS"
withdrawn() { [ -z "$(node_adverts)" ]; }
await withdrawn || fail "the node still advertises itself with a registry found"
echo "test-mdns: the node registered with the mDNS registry and withdrew its advertisement"

node_id=$(cat "$work/state/node-id")
kill -TERM "$node_pid"
started=$(date +%s)
wait "$node_pid" || fail "the node exited with status $? on SIGTERM"
[ $(($(date +%s) - started)) -le 5 ] || fail "the node took more than 5 s to stop"
grep -q "^DELETE /x-nmos/registration/v1.3/resource/nodes/$node_id$" "$work/requests.log" ||
  fail "the node did not delete itself from the registry on SIGTERM"
echo "test-mdns: on SIGTERM the node deleted itself from the registry"
