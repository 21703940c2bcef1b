"""The request log: one JSON object per line for every request an origin received.

Keys: "time" (UTC, ISO 8601), "origin", "method", "path" (with the query),
"headers" ([name, value] in the order received, repeats kept), "body" (the
request body, each byte as one character U+0000..U+00FF so nothing is lost),
"status" (the status code answered, after faults).
"""
import datetime
import json
import threading


class RequestLog:
    def __init__(self, path):
        self._path = path
        self._lock = threading.Lock()
        open(path, "w").close()

    def append(self, origin, method, path, headers, body, status):
        entry = {
            "time": datetime.datetime.now(datetime.timezone.utc).isoformat(),
            "origin": origin, "method": method, "path": path,
            "headers": [[name, value] for name, value in headers],
            "body": body.decode("latin-1"), "status": status,
        }
        line = json.dumps(entry) + "\n"
        with self._lock, open(self._path, "a") as f:
            f.write(line)

    def read(self):
        """Every complete line so far."""
        with self._lock, open(self._path) as f:
            return f.read()

    def clear(self):
        with self._lock:
            open(self._path, "w").close()
