#!/usr/bin/python3
"""velkor-node built with hidapi, run in the test machine against the gadget converters:
registration with a registry double of our own as converters come and go, control over
IS-12 checked against what the converters received and hold, and user labels set over
IS-12 read back after the node restarted.
Arguments: velkor-node, velkorctl; the gadget's control socket is $VELKOR_GADGET_SOCKET."""

import json
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ncp_client  # noqa: E402
from registry_double import Registry  # noqa: E402

NODE, CTL = sys.argv[1], sys.argv[2]
GADGET_SOCKET = os.environ["VELKOR_GADGET_SOCKET"]
POLL_INTERVAL_S = 0.5
# Starting velkor-node and its first scan and registration, in an emulated machine.
FIRST_REGISTRATION_S = 30
# How soon the registry hears that a converter left or came back: a scan, then one request.
DEVICE_CHANGE_S = 5
# A status poll that gets no answer waits out the read limit first.
NO_ANSWER_NOTICED_S = 10
# Two poll intervals, and room for the emulated machine.
NOTIFICATION_S = 2 * POLL_INTERVAL_S + 1.0

# The converters' frames, as far as the comparison needs them.
FRAME_COMMAND = 17
FRAME_VALUE_A = 18
FRAME_COMMAND_ECHO_B = 20
FRAME_VALUE_B = 21
FRAME_CHECKSUMMED = 530  # the 16-bit sum of bytes 0..529 follows, low byte first
QUERY_STATUS = {"TQ4410": 0x50, "TQ6630": 0x80}

OVERALL_STATUS = {"level": 3, "index": 1}
USER_LABEL = {"level": 1, "index": 6}
UNHEALTHY = 3
TIMEOUT_STATUS = 504


def page_setting(index):
    return {"level": 3, "index": index}


# A setting sent through the node and through velkorctl: gadget converter, role of its
# page, the property's place on it, velkorctl's key, the value, the converter's command.
SET_CASES = [
    (2, "output", 1, "output-format", 9, 0x51),
    (2, "overlay", 2, "vertical-margin", 12, 0x58),
    (3, "output", 1, "output-format", 9, 0x81),
    (3, "overlay", 2, "vertical-margin", 12, 0x85),
]
ZERO_SETTINGS = ",".join(["0"] * 8)

passed = failed = 0


def check(description, ok, saw=""):
    global passed, failed
    if ok:
        passed += 1
        print(f"ok - {description}", flush=True)
    else:
        failed += 1
        print(f"FAILED - {description}" + (f"\n  saw: {saw}" if saw else ""), flush=True)
    return ok


def gadget(command):
    """The answer's lines after "ok"; a refused command stops the checks."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.connect(GADGET_SOCKET)
        s.sendall((command + "\n").encode())
        s.shutdown(socket.SHUT_WR)
        answer = b"".join(iter(lambda: s.recv(65536), b"")).decode("latin-1")
    lines = answer.splitlines()
    if not lines or lines[0] != "ok":
        raise RuntimeError(f"velkor-gadget refused \"{command}\": {answer.strip()}")
    return lines[1:]


def held(number):
    return dict(line.split("=", 1) for line in gadget(f"state {number}") if "=" in line)


def frames_from(number, first):
    return [bytes.fromhex(line) for line in gadget(f"frames {number} {first}")]


def answered(condition):
    """The condition's value; False while what it asks does not answer yet."""
    try:
        return condition()
    except OSError:
        return False


def wait_for(condition, limit_s, step_s=0.1):
    """(the condition's last value, seconds waited) once it holds or the limit passes."""
    start = time.monotonic()
    while True:
        value = condition()
        waited = time.monotonic() - start
        if value or waited > limit_s:
            return value, waited
        time.sleep(step_s)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def node_api(port, path):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/x-nmos/node/v1.3/{path}", timeout=5) as answer:
        return json.load(answer)


def velkorctl(*arguments):
    run = subprocess.run([CTL, *arguments], capture_output=True, text=True, timeout=30)
    return run.returncode, (run.stdout + run.stderr).strip()


def frame_for(query, model, command, value):
    """The one-value request the panel sends, made from the status query the same code
    built: only the command, the value and the checksum differ."""
    frame = bytearray(query)
    frame[FRAME_COMMAND] = command
    if model == "TQ6630":
        frame[FRAME_COMMAND_ECHO_B] = command
        frame[FRAME_VALUE_B] = value
    else:
        frame[FRAME_VALUE_A] = value
    total = sum(frame[:FRAME_CHECKSUMMED]) & 0xFFFF
    frame[FRAME_CHECKSUMMED:FRAME_CHECKSUMMED + 2] = bytes([total & 0xFF, total >> 8])
    return bytes(frame)


def check_registration(registry, port, converters):
    wanted = {f"{c['model']} {c['name']}" for c in converters.values()}
    labels = lambda: {d["label"] for d in registry.devices().values()}  # noqa: E731
    _, waited = wait_for(lambda: labels() == wanted, FIRST_REGISTRATION_S, 0.2)
    check(f"the registry holds the three converters' devices, labelled {sorted(wanted)} ({waited:.1f} s)",
          labels() == wanted, sorted(labels()))
    nodes = registry.nodes()
    check("one node is registered", len(nodes) == 1, list(nodes))
    node_id = next(iter(nodes), None)
    devices = registry.devices()
    check("every device names that node", all(d["node_id"] == node_id for d in devices.values()),
          [d["node_id"] for d in devices.values()])
    ids = {d["label"]: d["id"] for d in devices.values()}
    for c in converters.values():
        c["device"] = ids.get(f"{c['model']} {c['name']}")

    truck = converters[2]
    gadget("unplug 2")
    gone, waited = wait_for(lambda: truck["device"] not in registry.devices(), DEVICE_CHANGE_S)
    check(f"unplugging {truck['name']} deletes its device from the registry ({waited:.1f} s)", gone,
          sorted(registry.devices()))
    api_ids = {d["id"] for d in node_api(port, "devices/")}
    check("the Node API's devices are the registry's", api_ids == set(registry.devices()),
          f"Node API {sorted(api_ids)}, registry {sorted(registry.devices())}")
    gadget("replug 2")
    back, waited = wait_for(lambda: truck["device"] in registry.devices(), DEVICE_CHANGE_S)
    check(f"replugged, {truck['name']} is back under the same device id ({waited:.1f} s)", back,
          sorted(registry.devices()))
    api_ids = {d["id"] for d in node_api(port, "devices/")}
    check("the Node API's devices are the registry's again", api_ids == set(registry.devices()) and len(api_ids) == 3,
          f"Node API {sorted(api_ids)}, registry {sorted(registry.devices())}")
    beats, _ = wait_for(lambda: registry.heartbeat_count(node_id), 7, 0.5)
    check("the node heartbeats", beats > 0)
    for c in converters.values():
        c["href"] = registry.devices()[c["device"]]["controls"][0]["href"]


def check_set_against_velkorctl(converters):
    for number, role, index, key, value, command in SET_CASES:
        c = converters[number]
        what = f"{c['name']} ({c['model']}) {role} property 3p{index} = {value}"
        conn = ncp_client.Connection(c["href"])
        oid = conn.roles()[role]

        gadget(f"settings {number} {ZERO_SETTINGS}")
        mark = int(held(number)["frames"])
        result = conn.set(oid, page_setting(index), value)
        conn.close()
        node_frames = frames_from(number, mark)
        node_holds = held(number)["settings"]
        if not check(f"Set {what}: 200", result.get("status") == 200, result):
            continue

        gadget(f"settings {number} {ZERO_SETTINGS}")
        mark = int(held(number)["frames"])
        code, said = velkorctl("set", "-d", c["name"], f"{key}={value}")
        ctl_frames = frames_from(number, mark)
        ctl_holds = held(number)["settings"]
        check(f"velkorctl set {key}={value} on {c['name']}", code == 0, said)
        check(f"{c['name']} holds the same after either", node_holds == ctl_holds,
              f"after the node's Set {node_holds}, after velkorctl's {ctl_holds}")

        query = QUERY_STATUS[c["model"]]
        queries = [f for f in ctl_frames if f[FRAME_COMMAND] == query]
        if not check(f"velkorctl's status query reached {c['name']}", queries, f"{len(ctl_frames)} frames"):
            continue
        wanted = frame_for(queries[0], c["model"], command, value)
        sent = [k for k, f in enumerate(node_frames) if f[FRAME_COMMAND] != query]
        check(f"the node sent {c['name']} one frame besides status queries, the panel's for the change",
              len(sent) == 1 and node_frames[sent[0]] == wanted,
              f"{[node_frames[k][:24].hex() for k in sent]}, wanted {wanted[:24].hex()}...")
        read_back = sent[0] + 1 if sent else len(node_frames)
        check("and read it back with velkorctl's status query",
              read_back < len(node_frames) and node_frames[read_back] == queries[0],
              f"{len(node_frames) - read_back} frames after it")
    for number in converters:
        gadget(f"settings {number} {ZERO_SETTINGS}")


def check_silent_converter(converters):
    c = converters[1]
    conn = ncp_client.Connection(c["href"])
    roles = conn.roles()
    gadget("fault 1 no-reply on")
    try:
        status = lambda: conn.get(roles["status"], OVERALL_STATUS).get("value")  # noqa: E731
        seen, waited = wait_for(lambda: status() == UNHEALTHY, NO_ANSWER_NOTICED_S, 0.3)
        check(f"{c['name']} silent: its overallStatus turns unhealthy ({waited:.1f} s)", seen, status())
        result = conn.set(roles["output"], page_setting(1), 9)
        check(f"{c['name']} silent: a Set is answered {TIMEOUT_STATUS}, not 200",
              result.get("status") == TIMEOUT_STATUS, result)
    finally:
        gadget("fault 1 no-reply off")
    recovered, waited = wait_for(lambda: status() != UNHEALTHY, NO_ANSWER_NOTICED_S, 0.3)
    check(f"{c['name']} answers again: overallStatus is no longer unhealthy ({waited:.1f} s)", recovered)
    conn.close()


def check_change_by_velkorctl(converters):
    c = converters[2]
    conn = ncp_client.Connection(c["href"])
    oid = conn.roles()["output"]
    gadget(f"settings 2 {ZERO_SETTINGS}")
    wait_for(lambda: conn.get(oid, page_setting(1)).get("value") == 0, 5)
    conn.subscribe([oid])
    code, said = velkorctl("set", "-d", c["name"], "output-format=2")
    done = time.monotonic()
    check(f"velkorctl set output-format=2 on {c['name']}", code == 0, said)
    arrived = conn.property_changed(oid, page_setting(1), 2, NOTIFICATION_S)
    check(f"a subscribed controller is told of it within {NOTIFICATION_S:.1f} s"
          + ("" if arrived is None else f" ({max(arrived - done, 0):.2f} s)"), arrived is not None,
          f"notifications: {conn.notifications}")
    conn.close()
    gadget(f"settings 2 {ZERO_SETTINGS}")


# Labels a controller gives: gadget converter, role of the object, the label.
LABELS = [
    (1, "root", "Rack 3, left \u2013 SDI"),
    (3, "output", "Stage feed"),
]


def check_labels_survive_restart(converters, restart):
    oids = {}
    for number, role, label in LABELS:
        c = converters[number]
        conn = ncp_client.Connection(c["href"])
        oids[number, role] = ncp_client.ROOT_OID if role == "root" else conn.roles()[role]
        result = conn.set(oids[number, role], USER_LABEL, label)
        conn.close()
        check(f"Set {c['name']} ({c['model']}) {role} userLabel = {label!r}: 200", result.get("status") == 200, result)
    restart()
    for number, role, label in LABELS:
        c = converters[number]
        conn = ncp_client.Connection(c["href"])
        value = conn.get(oids[number, role], USER_LABEL).get("value")
        conn.close()
        check(f"after the node restarted, {c['name']} {role} userLabel is {label!r}", value == label, value)


def start_node(config, log_path):
    with open(log_path, "a") as log:
        return subprocess.Popen([NODE, "--config", config], stdout=log, stderr=subprocess.STDOUT)


def stop_node(node):
    node.send_signal(signal.SIGTERM)
    try:
        return node.wait(timeout=10)
    except subprocess.TimeoutExpired:
        node.kill()
        return node.wait()


def main():
    converters = {}
    for number in (1, 2, 3):
        state = held(number)
        converters[number] = {"model": state["model"], "name": state["name"]}
    work = tempfile.mkdtemp(prefix="velkor-node-check.")
    registry = Registry().start()
    port = free_port()
    config = os.path.join(work, "velkor-node.conf")
    with open(config, "w") as out:
        out.write(f"listen = 127.0.0.1:{port}\nregistry = 127.0.0.1:{registry.port}\n"
                  f"state-dir = {work}/state\npoll-interval-ms = {int(POLL_INTERVAL_S * 1000)}\n")
    log_path = os.path.join(work, "velkor-node.log")
    node = start_node(config, log_path)

    def restart():
        nonlocal node
        check("velkor-node stops on SIGTERM with exit status 0, to restart", stop_node(node) == 0)
        node = start_node(config, log_path)
        served = lambda: len(node_api(port, "devices/")) == len(converters)  # noqa: E731
        up, waited = wait_for(lambda: answered(served), FIRST_REGISTRATION_S, 0.2)
        check(f"restarted, the node serves the three converters again ({waited:.1f} s)", up)

    try:
        check_registration(registry, port, converters)
        check_set_against_velkorctl(converters)
        check_silent_converter(converters)
        check_change_by_velkorctl(converters)
        check_labels_survive_restart(converters, restart)
    except Exception as error:  # what stopped the checks is itself a failure
        check("the checks ran to the end", False, f"{type(error).__name__}: {error}")
    finally:
        code = stop_node(node)
        check("velkor-node stops on SIGTERM with exit status 0", code == 0, code)
        registry.stop()
        # The kernel-path tests that follow start from converters as the gadget made them.
        for number in converters:
            gadget(f"reset {number}")
            gadget(f"settings {number} {ZERO_SETTINGS}")
    if failed:
        with open(log_path) as log:
            print("velkor-node's output:\n" + log.read())
    print(f"velkor-node: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
