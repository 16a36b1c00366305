"""A small NMOS control protocol (IS-12) client for velkor-node's checks: commands,
subscriptions and the notifications that arrive in between, over one WebSocket."""

import json
import time

import websocket  # python3-websocket

# Message types.
COMMAND, COMMAND_RESPONSE, NOTIFICATION, SUBSCRIPTION, SUBSCRIPTION_RESPONSE, ERROR = 0, 1, 2, 3, 4, 5
# Methods and events of NcObject and NcBlock.
GET = {"level": 1, "index": 1}
SET = {"level": 1, "index": 2}
GET_MEMBER_DESCRIPTORS = {"level": 2, "index": 1}
PROPERTY_CHANGED = {"level": 1, "index": 1}
ROOT_OID = 1


class ControlError(Exception):
    pass


class Connection:
    def __init__(self, href, timeout_s=10):
        self.ws = websocket.create_connection(href, timeout=timeout_s)
        self.next_handle = 1
        self.notifications = []  # (arrival time, notification), kept until taken

    def close(self):
        self.ws.close()

    def _receive(self, timeout_s):
        self.ws.settimeout(timeout_s)
        message = json.loads(self.ws.recv())
        if message.get("messageType") == NOTIFICATION:
            now = time.monotonic()
            self.notifications += [(now, n) for n in message.get("notifications", [])]
        return message

    def command(self, oid, method, arguments, timeout_s=10):
        """The result of one command: {"status": ..., "value": ...}."""
        handle = self.next_handle
        self.next_handle += 1
        self.ws.send(json.dumps({"messageType": COMMAND, "commands": [
            {"handle": handle, "oid": oid, "methodId": method, "arguments": arguments}]}))
        deadline = time.monotonic() + timeout_s
        while time.monotonic() < deadline:
            message = self._receive(deadline - time.monotonic())
            if message.get("messageType") == ERROR:
                raise ControlError(f"error message instead of a response: {message}")
            for response in message.get("responses", []):
                if response.get("handle") == handle:
                    return response["result"]
        raise ControlError(f"no response to handle {handle} within {timeout_s} s")

    def get(self, oid, property_id):
        return self.command(oid, GET, {"id": property_id})

    def set(self, oid, property_id, value):
        return self.command(oid, SET, {"id": property_id, "value": value})

    def roles(self):
        """The root block's members: role -> oid."""
        result = self.command(ROOT_OID, GET_MEMBER_DESCRIPTORS, {"recurse": False})
        if result.get("status") != 200:
            raise ControlError(f"the root block's members could not be read: {result}")
        return {member["role"]: member["oid"] for member in result["value"]}

    def subscribe(self, oids, timeout_s=10):
        self.ws.send(json.dumps({"messageType": SUBSCRIPTION, "subscriptions": oids}))
        deadline = time.monotonic() + timeout_s
        while time.monotonic() < deadline:
            if self._receive(deadline - time.monotonic()).get("messageType") == SUBSCRIPTION_RESPONSE:
                return
        raise ControlError(f"no subscription response within {timeout_s} s")

    def property_changed(self, oid, property_id, value, timeout_s):
        """The arrival time of a PropertyChanged of that property to that value, waiting
        up to timeout_s for it; None when none came. Earlier notifications are dropped."""
        deadline = time.monotonic() + timeout_s
        while True:
            while self.notifications:
                arrived, n = self.notifications.pop(0)
                data = n.get("eventData", {})
                if (n.get("oid") == oid and n.get("eventId") == PROPERTY_CHANGED
                        and data.get("propertyId") == property_id and data.get("value") == value):
                    return arrived
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            try:
                self._receive(left)
            except websocket.WebSocketTimeoutException:
                return None
