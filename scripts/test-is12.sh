#!/usr/bin/env bash
# Runs AMWA's IS-12-01 conformance suite (the pinned copy in ../shared/nmos), with its
# invasive tests, against `velkor-node --virtual`: once for the control endpoint of a
# TQ4410 and once for that of the TQ6630, each found the way a controller finds it, in
# the Node API's device list. Node and tool share a network namespace of their own.
#
#   scripts/test-is12.sh [TQ4410|TQ6630 ...]     (as root; both models by default)
#
# Prints the tool's summary for each model; exits 1 if any test ended as Fail or Error.
set -euo pipefail
cd "$(dirname "$0")/.."
nmos=${NMOS_DIR:-$(cd .. && pwd)/shared/nmos}
[ -x "$nmos/run-suite.sh" ] || { echo "test-is12: no NMOS testing tool at $nmos (set NMOS_DIR)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "test-is12: needs root for its network namespace" >&2; exit 2; }
build_dir=${BUILD_DIR:-build}
models=("$@")
[ ${#models[@]} -gt 0 ] || models=(TQ4410 TQ6630)
address=127.0.0.1
port=8080

[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target velkor-node -j2 >/dev/null

# The tool mostly waits (it looks for each answer every 0.2 s), so the models run at
# once, each in a namespace of its own with a node of its own.
. scripts/nmos-runs.sh
nmos_runs_begin test-is12

# The control path of the first device whose label names the model.
control_path() {  # control_path NAMESPACE MODEL
  ip netns exec "$1" python3 - "$address" "$port" "$2" <<'PY'
import json, sys, time, urllib.parse, urllib.request
address, port, model = sys.argv[1], sys.argv[2], sys.argv[3]
for _ in range(50):
    try:
        with urllib.request.urlopen(f"http://{address}:{port}/x-nmos/node/v1.3/devices/", timeout=2) as answer:
            for device in json.load(answer):
                if model in device["label"].split() and device["controls"]:
                    print(urllib.parse.urlparse(device["controls"][0]["href"]).path)
                    sys.exit(0)
    except OSError:
        pass
    time.sleep(0.1)
sys.exit(f"no {model} with a control endpoint in the node's device list")
PY
}

# One model's run: its summary in $work/MODEL.out, the node's log in $work/MODEL.log.
run_model() {  # run_model NAMESPACE MODEL
  local ns=$1 model=$2 path
  path=$(control_path "$ns" "$model") || return 1
  echo "== IS-12-01 against $model (ws://$address:$port$path)"
  NMOS_CONFIG="$work/config.py" NMOS_WORK="$work/tool-$model" NMOS_RESULTS="${NMOS_RESULTS_DIR:-$work}/is12-$model.json" \
    ip netns exec "$ns" "$nmos/run-suite.sh" IS-12-01 --host "$address" "$address" null null \
    --port "$port" "$port" 0 0 --version v1.3 v1.0 v1.0 v1.0 --urlpath null "$path" null null
}

# No registry to look for: the suite reads the Node API directly.
printf 'registry = none\n' >"$work/node.conf"
printf 'CONFIG.MS05_INVASIVE_TESTING = True\n' >"$work/config.py"
for model in "${models[@]}"; do
  ns="velkor-is12-$$-$model"
  nmos_namespace "$ns"
  ip netns exec "$ns" "$build_dir/velkor-node/velkor-node" --virtual --config "$work/node.conf" \
    --listen "$address:$port" --state-dir "$work/state-$model" 2>"$work/$model.log" &
  node_pids+=($!)
  nmos_start_run "$model" "$work/tool-$model" run_model "$ns" "$model"
done
nmos_finish_runs
