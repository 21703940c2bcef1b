"""The control endpoint: plain HTTP on 127.0.0.1, for tests and scripts only.

  POST /scenario  body: a scenario (see scenario.py); replaces the current one
  POST /reset     default scenario, forgets clients and tokens, empties the log
  GET  /log       the request log, JSON Lines
  GET  /state     {"pid": ..., "ports": {role: port}}
"""
import http.server
import json
import os
import socketserver

from . import scenario


class ControlHandler(http.server.BaseHTTPRequestHandler):
    def log_message(self, format, *args):
        pass

    def _answer(self, status, content_type, body):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def _json(self, status, value):
        self._answer(status, "application/json", json.dumps(value).encode())

    def do_GET(self):
        app = self.server.app
        if self.path == "/log":
            self._answer(200, "application/x-ndjson", app.services.log.read().encode())
        elif self.path == "/state":
            self._json(200, {"pid": os.getpid(), "ports": app.services.ports})
        else:
            self._json(404, {"error": "no such control path"})

    def do_POST(self):
        app = self.server.app
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if self.path == "/reset":
            app.reset()
            self._json(200, {"ok": True})
        elif self.path == "/scenario":
            try:
                app.apply(scenario.parse(json.loads(body or b"{}")))
            except ValueError as e:  # includes malformed JSON
                self._json(400, {"error": str(e)})
                return
            self._json(200, {"ok": True})
        else:
            self._json(404, {"error": "no such control path"})


class ControlServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, app):
        self.app = app
        super().__init__(("127.0.0.1", port), ControlHandler)

    def server_bind(self):
        socketserver.TCPServer.server_bind(self)  # no host name look-up
        self.server_name, self.server_port = self.server_address[:2]
