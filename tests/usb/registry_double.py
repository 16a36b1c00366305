"""A registry double for velkor-node's checks: just enough of an NMOS registration
API (v1.3) to see what a node registers, heartbeats and deletes. It keeps what it was
told in memory and answers as a registry would, so the node takes its usual paths
(201 for a new resource, 200 for one it already holds, 404 for a heartbeat of a node
it does not know)."""

import json
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

BASE = "/x-nmos/registration/v1.3"
# A node's registration is good for this long after its last heartbeat, as a real
# registry's garbage collection would have it.
HEARTBEAT_LIMIT_S = 12


class Registry:
    def __init__(self):
        self.lock = threading.Lock()
        self.resources = {"node": {}, "device": {}}
        self.heartbeats = {}
        self.requests = []  # (method, path, status), in arrival order
        self.server = ThreadingHTTPServer(("127.0.0.1", 0), self._handler())
        self.server.daemon_threads = True
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)

    def start(self):
        self.thread.start()
        return self

    def stop(self):
        self.server.shutdown()
        self.server.server_close()

    def devices(self):
        """The devices registered now, by id."""
        with self.lock:
            return dict(self.resources["device"])

    def nodes(self):
        with self.lock:
            return dict(self.resources["node"])

    def heartbeat_count(self, node_id):
        with self.lock:
            return sum(1 for m, p, s in self.requests if m == "POST" and p == f"{BASE}/health/nodes/{node_id}")

    def _answer(self, method, path, body):
        """(status, JSON body or None) for one request; the store is locked."""
        if method == "POST" and path == f"{BASE}/resource":
            try:
                posted = json.loads(body)
                kind, data = posted["type"], posted["data"]
                resource_id = data["id"]
            except (ValueError, KeyError, TypeError) as error:
                return 400, {"code": 400, "error": f"not a resource: {error}", "debug": None}
            if kind not in self.resources:
                return 400, {"code": 400, "error": f"this double keeps no {kind}", "debug": None}
            if kind == "device" and data.get("node_id") not in self.resources["node"]:
                return 400, {"code": 400, "error": "the device's node is not registered", "debug": None}
            known = resource_id in self.resources[kind]
            self.resources[kind][resource_id] = data
            if kind == "node":
                self.heartbeats[resource_id] = time.monotonic()
            return (200 if known else 201), data
        if method == "POST" and path.startswith(f"{BASE}/health/nodes/"):
            node_id = path.rsplit("/", 1)[1]
            last = self.heartbeats.get(node_id)
            if last is None or time.monotonic() - last > HEARTBEAT_LIMIT_S:
                self._forget(node_id)
                return 404, {"code": 404, "error": "no such node", "debug": None}
            self.heartbeats[node_id] = time.monotonic()
            return 200, {"health": str(int(time.time()))}
        if method == "DELETE" and path.startswith(f"{BASE}/resource/"):
            parts = path[len(f"{BASE}/resource/"):].split("/")
            kind = parts[0].rstrip("s") if len(parts) == 2 else None
            if kind not in self.resources or parts[1] not in self.resources[kind]:
                return 404, {"code": 404, "error": "no such resource", "debug": None}
            if kind == "node":
                self._forget(parts[1])
            else:
                del self.resources[kind][parts[1]]
            return 204, None
        return 404, {"code": 404, "error": f"this double has nothing at {method} {path}", "debug": None}

    def _forget(self, node_id):
        self.resources["node"].pop(node_id, None)
        self.heartbeats.pop(node_id, None)
        for device_id, device in list(self.resources["device"].items()):
            if device.get("node_id") == node_id:
                del self.resources["device"][device_id]

    def _handler(self):
        registry = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def _serve(self):
                length = int(self.headers.get("Content-Length") or 0)
                body = self.rfile.read(length) if length else b""
                path = self.path.split("?", 1)[0]
                with registry.lock:
                    status, answer = registry._answer(self.command, path, body)
                    registry.requests.append((self.command, path, status))
                payload = b"" if answer is None else json.dumps(answer).encode()
                self.send_response(status)
                if payload:
                    self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(payload)))
                self.end_headers()
                self.wfile.write(payload)

            do_POST = do_DELETE = do_GET = _serve

            def log_message(self, *args):
                pass  # the checks say what matters

        return Handler
