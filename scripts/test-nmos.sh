#!/usr/bin/env bash
# Runs AMWA's NMOS testing tool (suite IS-04-01, registration included) against
# `velkor-node --virtual`, both inside a network namespace of their own: the tool's
# DNS server serves the registries by unicast DNS-SD, and no packet leaves the namespace.
# Exits non-zero on any Fail or Error; prints every test that did not pass.
#
# Environment: NMOS_TOOL, the folder of the pinned tool (default: ../shared/nmos beside
# the repository); BUILD_DIR (default build); NMOS_TLS=1 runs it all over HTTPS, the
# node with the tool's own test certificate for api.testsuite.nmos.tv and trusting the
# tool's CA, as the tool's mock registries present certificates it signed.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
tool=${NMOS_TOOL:-$(cd "$repo/.." && pwd)/shared/nmos}
[ -x "$tool/run-suite.sh" ] || { echo "test-nmos: no NMOS testing tool at $tool (set NMOS_TOOL)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "test-nmos: needs root for its network namespace" >&2; exit 2; }

build_dir="${BUILD_DIR:-build}"
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target velkor-node -j2

# The namespace's own loopback carries one test address, where the node listens. The
# tool takes loopback's first address (127.0.0.1) as its own for DNS and the mock
# registries, since the default route names no gateway.
ns="velkor-nmos-$$"
address=10.77.0.1
port=8080
work=$(mktemp -d /var/tmp/velkor-nmos.XXXX)
node_pid=""
cleanup() {
  [ -n "$node_pid" ] && kill "$node_pid" 2>/dev/null && wait "$node_pid" 2>/dev/null
  ip netns delete "$ns" 2>/dev/null || true
  rm -rf "/etc/netns/$ns" "$work"
}
trap cleanup EXIT

ip netns add "$ns"
ip netns exec "$ns" ip link set lo up
ip netns exec "$ns" ip addr add "$address/24" dev lo
ip netns exec "$ns" ip route add default dev lo
# The resolver inside the namespace asks the tool's DNS server, in the tool's domain.
mkdir -p "/etc/netns/$ns"
printf 'nameserver 127.0.0.1\nsearch testsuite.nmos.tv\noptions timeout:1 attempts:1\n' > "/etc/netns/$ns/resolv.conf"

tls_options=()
if [ "${NMOS_TLS:-0}" = 1 ]; then
  # The tool reaches the node by the name its certificate gives; the tool's DNS server
  # does not serve it, the namespace's own hosts file does.
  printf '127.0.0.1 localhost\n%s api.testsuite.nmos.tv\n' "$address" > "/etc/netns/$ns/hosts"
  pki="$tool/testing-tool/test_data/BCP00301/ca"
  install -m 600 "$pki/intermediate/private/ecdsa.api.testsuite.nmos.tv.key.pem" "$work/node.key"
  tls_options=(--tls-certificate "$pki/intermediate/certs/ecdsa.api.testsuite.nmos.tv.cert.chain.pem"
               --tls-private-key "$work/node.key" --tls-ca "$pki/certs/ca.cert.pem")
fi

# A system bus nobody listens on: a host avahi-daemon would put the node's mDNS on the
# host's network, outside the namespace.
DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus" \
  ip netns exec "$ns" "$build_dir/velkor-node/velkor-node" --virtual --listen "$address:$port" --state-dir "$work/state" \
  "${tls_options[@]}" 2> "$work/node.log" &
node_pid=$!

cat > "$work/config.py" <<'PY'
CONFIG.ENABLE_DNS_SD = True
CONFIG.DNS_SD_MODE = "unicast"
PY
host="$address"
if [ "${NMOS_TLS:-0}" = 1 ]; then
  echo 'CONFIG.ENABLE_HTTPS = True' >> "$work/config.py"
  host=api.testsuite.nmos.tv
fi
status=0
NMOS_CONFIG="$work/config.py" NMOS_WORK="$work/tool" ip netns exec "$ns" "$tool/run-suite.sh" IS-04-01 \
  --host "$host" --port "$port" --version v1.3 || status=$?
if [ "$status" -ne 0 ]; then
  echo "test-nmos: IS-04-01 did not pass (status $status); the node's log:"
  tail -40 "$work/node.log"
fi
exit "$status"
