# Sourced by the scripts that run AMWA's testing tool against velkor-node in network
# namespaces of their own, several runs at once: the scratch folder, the namespaces and
# nodes cleaned away on exit, and the runs started and gathered.
#
# After `nmos_runs_begin NAME`: $work is the scratch folder; a run NAME writes its
# summary to $work/NAME.out, and its node's log is expected in $work/NAME.log.

nmos_runs_begin() {  # nmos_runs_begin SCRIPT-NAME
  nmos_script=$1
  work=$(mktemp -d "/var/tmp/velkor-$1.XXXX")
  namespaces=()
  node_pids=()
  run_names=()
  run_pids=()
  trap nmos_runs_cleanup EXIT
}

nmos_runs_cleanup() {
  local pid ns
  for pid in "${node_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  for ns in "${namespaces[@]}"; do ip netns delete "$ns" 2>/dev/null || true; rm -rf "/etc/netns/$ns"; done
  rm -rf "$work"
}

# A namespace with its loopback up, deleted on exit.
nmos_namespace() {  # nmos_namespace NAME
  ip netns add "$1"
  namespaces+=("$1")
  ip netns exec "$1" ip link set lo up
}

# Runs a command in the background as run NAME. The tool installs what it lacks with apt,
# which takes one caller at a time: this returns once the run's copy of the tool (in
# TOOL-WORK) is configured, or the run has ended.
nmos_start_run() {  # nmos_start_run NAME TOOL-WORK COMMAND...
  local name=$1 tool_work=$2
  shift 2
  "$@" >"$work/$name.out" 2>&1 &
  run_names+=("$name")
  run_pids+=($!)
  until [ -f "$tool_work/tool/nmostesting/UserConfig.py" ] || ! kill -0 $! 2>/dev/null; do sleep 0.2; done
}

# Waits for every run and prints its summary, and the node's log after a run that did not
# pass. Returns 1 if any did not.
nmos_finish_runs() {
  local i name passed status=0
  for i in "${!run_names[@]}"; do
    name=${run_names[$i]}
    passed=yes
    wait "${run_pids[$i]}" || passed=no
    cat "$work/$name.out"
    if [ $passed = no ]; then
      status=1
      echo "$nmos_script: the $name run did not pass; the node's log:"
      tail -40 "$work/$name.log"
    fi
  done
  return $status
}
