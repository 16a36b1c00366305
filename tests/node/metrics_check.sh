#!/usr/bin/env bash
# Starts velkor-node on the virtual converters with no registry, and has promtool check
# what /metrics serves once the converters have been polled.
set -euo pipefail
node=$1 promtool=$2
state=$(mktemp -d)
port=$((20000 + RANDOM % 20000))
echo "registry = none" > "$state/velkor-node.conf"
"$node" --virtual --listen "127.0.0.1:$port" --state-dir "$state" --config "$state/velkor-node.conf" 2>/dev/null &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$state"' EXIT
for _ in $(seq 50); do
  text=$(curl -sf "http://127.0.0.1:$port/metrics" || true)
  grep -q '^velkor_converter_up{.*} 1$' <<<"$text" && break
  sleep 0.1
done
grep -q '^velkor_converter_up{.*} 1$' <<<"$text" || { echo "no converter came up"; exit 1; }
"$promtool" check metrics <<<"$text"
