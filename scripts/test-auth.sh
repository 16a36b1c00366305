#!/usr/bin/env bash
# Runs AMWA's testing tool with authorization (CONFIG.ENABLE_AUTH: its own authorization
# server, found by unicast DNS-SD, signing every token) against `velkor-node --virtual`
# with `authorization = true`: IS-04-01 (the Node API and registration as an OAuth
# client) and IS-12-01 with its invasive tests for a TQ4410's and the TQ6630's control
# endpoint. The three runs go at once, each with a node and a tool of its own in a
# network namespace of its own; no packet leaves them.
#
#   scripts/test-auth.sh      (as root)
#
# NMOS_TLS=1 runs it all over HTTPS and WSS: the node with the tool's test certificate
# for api.testsuite.nmos.tv and trusting the tool's CA, as the tool's authorization and
# registry servers present certificates it signed.
#
# Prints each run's summary; exits 1 if any test ended as Fail or Error.
set -euo pipefail
cd "$(dirname "$0")/.."
nmos=${NMOS_DIR:-$(cd .. && pwd)/shared/nmos}
[ -x "$nmos/run-suite.sh" ] || { echo "test-auth: no NMOS testing tool at $nmos (set NMOS_DIR)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "test-auth: needs root for its network namespaces" >&2; exit 2; }
build_dir=${BUILD_DIR:-build}
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target velkor-node -j2 >/dev/null

# The tool's Debian packages, as its runner lists them, installed here: inside the
# namespaces apt reaches no archive.
tool_packages=$(sed -n '/^for p in /,/; do$/p' "$nmos/run-suite.sh" | tr -d '\\' | sed 's/^for p in//; s/; do$//')
missing=$(for p in $tool_packages; do dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"; done)
if [ -n "$missing" ]; then
  apt-get update -qq >/dev/null 2>&1
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

port=8080
metrics_port=9100
# Tokens of the tool's server are meant for "*.testsuite.nmos.tv": the node goes by a
# name there; over TLS, the name of the tool's certificate it serves.
tls=${NMOS_TLS:-0}
pki="$nmos/testing-tool/test_data/BCP00301/ca"
if [ "$tls" = 1 ]; then node_name=api.testsuite.nmos.tv; scheme=https; else node_name=velkor-node.testsuite.nmos.tv; scheme=http; fi
. scripts/nmos-runs.sh
nmos_runs_begin test-auth

# A namespace whose loopback carries the node's address, with the tool's DNS server
# (on 127.0.0.1) as its resolver in the tool's domain.
make_namespace() {  # make_namespace NAME ADDRESS
  nmos_namespace "$1"
  ip netns exec "$1" ip addr add "$2/24" dev lo
  ip netns exec "$1" ip route add default dev lo
  mkdir -p "/etc/netns/$1"
  printf 'nameserver 127.0.0.1\nsearch testsuite.nmos.tv\noptions timeout:1 attempts:1\n' >"/etc/netns/$1/resolv.conf"
  # The tool reaches the node by the name its certificate gives; the tool's DNS server
  # does not serve it, the namespace's own hosts file does.
  printf '127.0.0.1 localhost\n%s %s\n' "$2" "$node_name" >"/etc/netns/$1/hosts"
}

start_node() {  # start_node NAMESPACE ADDRESS RUN REGISTRY
  printf 'authorization = true\nhost-name = %s\nregistry = %s\nmetrics-listen = %s:%s\n' \
    "$node_name" "$4" "$2" "$metrics_port" >"$work/$3.conf"
  if [ "$tls" = 1 ]; then
    install -m 600 "$pki/intermediate/private/ecdsa.api.testsuite.nmos.tv.key.pem" "$work/$3.key"
    printf 'tls-certificate = %s\ntls-private-key = %s\ntls-ca = %s\n' \
      "$pki/intermediate/certs/ecdsa.api.testsuite.nmos.tv.cert.chain.pem" "$work/$3.key" "$pki/certs/ca.cert.pem" \
      >>"$work/$3.conf"
  fi
  # A system bus nobody listens on: a host avahi-daemon would take mDNS out of the namespace.
  DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus" ip netns exec "$1" "$build_dir/velkor-node/velkor-node" --virtual \
    --config "$work/$3.conf" --listen "$2:$port" --state-dir "$work/state-$3" 2>"$work/$3.log" &
  node_pids+=($!)
}

# The control path of the first device of the model, from the node's metrics, which its
# metrics address serves without a token.
control_path() {  # control_path NAMESPACE ADDRESS MODEL
  ip netns exec "$1" python3 - "$node_name" "$metrics_port" "$3" "$scheme" "$pki/certs/ca.cert.pem" <<'PY'
import re, ssl, sys, time, urllib.request
host, port, model, scheme, ca = sys.argv[1:6]
trust = ssl.create_default_context(cafile=ca)
for _ in range(50):
    try:
        with urllib.request.urlopen(f"{scheme}://{host}:{port}/metrics", timeout=2, context=trust) as answer:
            for line in answer.read().decode().splitlines():
                found = re.match(r'velkor_converter_up\{device_id="([^"]+)",model="' + model + '"', line)
                if found:
                    print(f"/x-nmos/ncp/v1.0/connect/{found.group(1)}")
                    sys.exit(0)
    except OSError:
        pass
    time.sleep(0.1)
sys.exit(f"no {model} in the node's metrics")
PY
}

# The tool: its authorization server and DNS server, and time for the node to find the
# server, fetch its keys and get a token before the first test.
tool_config() {  # tool_config FILE [LINE ...]
  local file=$1; shift
  printf '%s\n' 'CONFIG.ENABLE_AUTH = True' 'CONFIG.ENABLE_DNS_SD = True' 'CONFIG.DNS_SD_MODE = "unicast"' \
    'CONFIG.MOCK_SERVICES_WARM_UP_DELAY = 6' "$@" >"$file"
  [ "$tls" = 0 ] || echo 'CONFIG.ENABLE_HTTPS = True' >>"$file"
}

run_is04() {
  local ns=$1 address=$2
  local host=$address
  [ "$tls" = 0 ] || host=$node_name
  echo "== IS-04-01 with authorization ($scheme://$host:$port)"
  NMOS_CONFIG="$work/is04.py" NMOS_WORK="$work/tool-is04" ip netns exec "$ns" "$nmos/run-suite.sh" IS-04-01 \
    --host "$host" --port "$port" --version v1.3
}

run_is12() {
  local ns=$1 address=$2 model=$3 path host=$2
  [ "$tls" = 0 ] || host=$node_name
  path=$(control_path "$ns" "$address" "$model") || return 1
  echo "== IS-12-01 with authorization against $model (${scheme/http/ws}://$host:$port$path)"
  NMOS_CONFIG="$work/is12.py" NMOS_WORK="$work/tool-$model" ip netns exec "$ns" "$nmos/run-suite.sh" IS-12-01 \
    --host "$host" "$host" null null --port "$port" "$port" 0 0 --version v1.3 v1.0 v1.0 v1.0 \
    --urlpath null "$path" null null
}

tool_config "$work/is04.py"
tool_config "$work/is12.py" 'CONFIG.MS05_INVASIVE_TESTING = True'
runs=(IS04 TQ4410 TQ6630)
for i in "${!runs[@]}"; do
  run=${runs[$i]}
  ns="velkor-auth-$$-$run"
  address="10.78.$i.1"
  make_namespace "$ns" "$address"
  if [ "$run" = IS04 ]; then
    start_node "$ns" "$address" "$run" dns-sd
    nmos_start_run "$run" "$work/tool-is04" run_is04 "$ns" "$address"
  else
    # No registry to look for: the suite reads the Node API directly.
    start_node "$ns" "$address" "$run" none
    nmos_start_run "$run" "$work/tool-$run" run_is12 "$ns" "$address" "$run"
  fi
done
nmos_finish_runs
