"""Scenarios: the faults and settings that a test chooses without a restart.

A scenario is a JSON object; every key is optional and unknown keys are refused,
so that a misspelt fault fails loudly instead of silently doing nothing.

  "token_lifetime": seconds in "expires_in" of tokens issued from now on, and
                    their real lifetime (default 3600; 0 issues dead tokens)
  "urns":           {"S24Launch.exe": "HTTP://127.0.0.1:47103/files/..."}: the
                    catalog lists these texts as the "Urn" of the named files
  "items":          {"S24Launch.exe": {"Hash": "", "Size": 5}}: these members
                    replace the catalog's own in the named files' items
  "connections":    {"catalog": "refuse" | "untrusted" | "normal"}: per TLS
                    origin, stop listening, or present the untrusted certificate
  "faults":         a list of faults, the first one that matches a request wins

Fault keys:
  match:     "origin" (required), "path" (shell pattern on the path without the
             query; default every path), "method", "times" (applies to this
             many requests, then is spent; default unlimited)
  replace:   "status", "body" (UTF-8 text), "body_base64", "content_type":
             the origin's own handling is skipped; status defaults to 200
  transport: "omit_headers" (names), "add_headers" ([[name, value], ...]),
             "extra_headers" (that many filler lines ahead of the real ones),
             "content_length_extra" (announce that many bytes more than sent,
             then close), "drop_after" (close after that many body bytes,
             without TLS close_notify unless "clean_close" is true),
             "ignore_ranges" (answer as if Range and If-Range were not sent),
             "delay_headers" and "delay_body" (seconds before the status line
             and before every body piece), "piece_size" (bytes per write)
"""
import base64
import copy
import dataclasses
import fnmatch
import threading

from . import config

DEFAULT_TOKEN_LIFETIME = 3600
DEFAULT_PIECE_SIZE = 256 * 1024
CONNECTION_MODES = ("normal", "refuse", "untrusted")
NUMBER = (int, float)


@dataclasses.dataclass(frozen=True)
class Fault:
    origin: str
    path: str = "*"
    method: str = ""
    times: int = 0
    status: int = 0
    body: bytes = None
    content_type: str = "application/json; charset=utf-8"
    omit_headers: tuple = ()
    add_headers: tuple = ()
    extra_headers: int = 0
    content_length_extra: int = 0
    drop_after: int = -1
    clean_close: bool = False
    ignore_ranges: bool = False
    delay_headers: float = 0.0
    delay_body: float = 0.0
    piece_size: int = DEFAULT_PIECE_SIZE

    @property
    def replaces_response(self):
        return self.status != 0 or self.body is not None

    def matches(self, origin, method, path):
        return (origin == self.origin and (not self.method or method == self.method)
                and fnmatch.fnmatchcase(path, self.path))


NO_FAULT = Fault(origin="")

_FAULT_TYPES = {
    "origin": str, "path": str, "method": str, "times": int, "status": int,
    "body": str, "body_base64": str, "content_type": str, "omit_headers": list,
    "add_headers": list, "extra_headers": int, "content_length_extra": int,
    "drop_after": int, "clean_close": bool, "ignore_ranges": bool, "delay_headers": NUMBER, "delay_body": NUMBER, "piece_size": int,
}
_SCENARIO_TYPES = {"faults": list, "token_lifetime": int, "urns": dict, "items": dict,
                   "connections": dict}


def _check_types(obj, types, what):
    if not isinstance(obj, dict):
        raise ValueError(f"{what} must be a JSON object")
    for key, value in obj.items():
        if key not in types:
            raise ValueError(f"{what}: unknown key {key!r}")
        # bool is an int in Python, but true is never a sensible count.
        if isinstance(value, bool) != (types[key] is bool) or not isinstance(value, types[key]):
            raise ValueError(f"{what}: {key!r} has the wrong type")


def _parse_fault(raw, index):
    what = f"faults[{index}]"
    _check_types(raw, _FAULT_TYPES, what)
    fields = dict(raw)
    if fields.get("origin") not in config.TLS_ORIGINS:
        raise ValueError(f"{what}: 'origin' must be one of {', '.join(config.TLS_ORIGINS)}")
    if "body" in fields and "body_base64" in fields:
        raise ValueError(f"{what}: give 'body' or 'body_base64', not both")
    if "body" in fields:
        fields["body"] = fields["body"].encode("utf-8")
    if "body_base64" in fields:
        fields["body"] = base64.b64decode(fields.pop("body_base64"), validate=True)
    if not all(isinstance(n, str) for n in fields.get("omit_headers", [])):
        raise ValueError(f"{what}: 'omit_headers' lists header names")
    fields["omit_headers"] = tuple(n.lower() for n in fields.get("omit_headers", []))
    pairs = fields.get("add_headers", [])
    if not all(isinstance(p, list) and len(p) == 2 and all(isinstance(s, str) for s in p)
               for p in pairs):
        raise ValueError(f"{what}: 'add_headers' lists [name, value] pairs")
    fields["add_headers"] = tuple(tuple(p) for p in pairs)
    for key in ("piece_size", "times"):
        if fields.get(key, 1) < 1:
            raise ValueError(f"{what}: {key!r} must be positive")
    return Fault(**fields)


@dataclasses.dataclass
class Scenario:
    faults: list = dataclasses.field(default_factory=list)
    remaining: list = dataclasses.field(default_factory=list)
    token_lifetime: int = DEFAULT_TOKEN_LIFETIME
    urns: dict = dataclasses.field(default_factory=dict)
    items: dict = dataclasses.field(default_factory=dict)
    connections: dict = dataclasses.field(default_factory=dict)


def parse(raw):
    """Validate a scenario object; raises ValueError naming the first problem."""
    _check_types(raw, _SCENARIO_TYPES, "scenario")
    faults = [_parse_fault(f, i) for i, f in enumerate(raw.get("faults", []))]
    urns = raw.get("urns", {})
    if not all(isinstance(v, str) for v in urns.values()):
        raise ValueError("scenario: 'urns' maps file names to texts")
    items = raw.get("items", {})
    if not all(isinstance(v, dict) for v in items.values()):
        raise ValueError("scenario: 'items' maps file names to objects of item members")
    connections = raw.get("connections", {})
    for origin, mode in connections.items():
        if origin not in config.TLS_ORIGINS or mode not in CONNECTION_MODES:
            raise ValueError(f"scenario: connection {origin!r}: {mode!r} is not possible")
    return Scenario(faults=faults, remaining=[f.times or None for f in faults],
                    token_lifetime=raw.get("token_lifetime", DEFAULT_TOKEN_LIFETIME),
                    urns=dict(urns), items=copy.deepcopy(items), connections=dict(connections))


class ScenarioStore:
    """The current scenario, shared by every request thread."""

    def __init__(self):
        self._lock = threading.Lock()
        self._scenario = Scenario()

    def replace(self, scenario):
        with self._lock:
            self._scenario = scenario

    def take_fault(self, origin, method, path):
        """The first fault that matches, counting one of its uses."""
        with self._lock:
            s = self._scenario
            for i, fault in enumerate(s.faults):
                if s.remaining[i] == 0 or not fault.matches(origin, method, path):
                    continue
                if s.remaining[i] is not None:
                    s.remaining[i] -= 1
                return fault
        return NO_FAULT

    def token_lifetime(self):
        with self._lock:
            return self._scenario.token_lifetime

    def urns(self):
        with self._lock:
            return copy.copy(self._scenario.urns)

    def items(self):
        with self._lock:
            return copy.deepcopy(self._scenario.items)

    def connection(self, origin):
        with self._lock:
            return self._scenario.connections.get(origin, "normal")
