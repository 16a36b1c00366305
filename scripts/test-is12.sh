#!/usr/bin/env bash
# Runs AMWA's IS-12-01 conformance suite (the pinned copy in ../shared/nmos), with its
# invasive tests, against the control layer for each converter model, inside a network
# namespace of its own: the tool's servers and the node see only each other.
#
#   scripts/test-is12.sh [tq4410|tq6630 ...]     (as root; both models by default)
#
# Prints the tool's summary for each model; exits 1 if any test ended as Fail or Error.
set -euo pipefail
cd "$(dirname "$0")/.."
nmos=${NMOS_DIR:-$(cd .. && pwd)/shared/nmos}
build_dir=${BUILD_DIR:-build}
models=("$@")
[ ${#models[@]} -gt 0 ] || models=(tq4410 tq6630)
port=8080
address=127.0.0.1

# The runner installs the tool's Debian packages itself, but inside the namespace there is
# no network to fetch them with: install them first.
tool_packages=(python3-flask python3-wtforms python3-jsonschema python3-zeroconf python3-requests
  python3-netifaces python3-git python3-websocket python3-dnslib python3-jinja2 python3-junit.xml
  python3-rfc3987 python3-paho-mqtt python3-authlib python3-websockets python3-flask-cors
  python3-flask-socketio python3-pycryptodome python3-click python3-markdown2 python3-termcolor
  python3-yaml python3-six python3-attr git)
missing=()
for p in "${tool_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake --build "$build_dir" --target is12_test_node -j2 >/dev/null
node="$PWD/$build_dir/tests/node_control/is12_test_node"

ns="velkor-is12-$$"
ip netns add "$ns"
node_pid=""
cleanup() {
  [ -n "$node_pid" ] && kill "$node_pid" 2>/dev/null && wait "$node_pid" 2>/dev/null
  ip netns del "$ns"
}
trap cleanup EXIT
ip netns exec "$ns" ip link set lo up

config=$(mktemp)
echo "CONFIG.MS05_INVASIVE_TESTING = True" >"$config"
status=0
for model in "${models[@]}"; do
  ip netns exec "$ns" "$node" --model "$model" --address "$address" --port "$port" >/tmp/is12-node-$$.url &
  node_pid=$!
  for _ in $(seq 50); do [ -s /tmp/is12-node-$$.url ] && break; sleep 0.1; done
  url=$(cat /tmp/is12-node-$$.url)
  path="/${url#ws://*/}"
  echo "== IS-12-01 against $model ($url)"
  NMOS_CONFIG="$config" NMOS_RESULTS="${NMOS_RESULTS_DIR:-/tmp}/is12-$model.json" \
    ip netns exec "$ns" "$nmos/run-suite.sh" IS-12-01 --host "$address" "$address" null null \
    --port "$port" "$port" 0 0 --version v1.3 v1.0 v1.0 v1.0 --urlpath null "$path" null null || status=1
  kill "$node_pid"; wait "$node_pid" 2>/dev/null || true; node_pid=""
  rm -f /tmp/is12-node-$$.url
done
rm -f "$config"
exit $status
