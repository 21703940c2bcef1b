"""The HTTPS server of one origin: HTTP/1.1 with keep-alive, faults applied on the way out."""
import dataclasses
import email.utils
import http
import http.server
import socketserver
import sys
import time

from .messages import Request, Response

HANDSHAKE_TIMEOUT = 10
IDLE_TIMEOUT = 60
# Waiting for the client's close_notify must not hold a thread for long.
CLOSE_TIMEOUT = 0.5
SERVER_NAME = "skylaunch-local-services"


def _reason(status):
    try:
        return http.HTTPStatus(status).phrase
    except ValueError:
        return "Status"


class OriginHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = IDLE_TIMEOUT
    # Set when a fault cut the body: the connection then ends without close_notify.
    dropped = False

    def log_message(self, format, *args):
        pass  # the request log records what matters

    def _dispatch(self):
        server = self.server
        if self.headers.get("Transfer-Encoding"):
            # Nothing that talks to these services sends chunked bodies.
            self.close_connection = True
            self.send_error(411)
            return
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        request = Request(server.origin, self.command, self.path,
                          list(self.headers.items()), body)
        fault = server.services.scenario.take_fault(server.origin, self.command, request.path)
        if fault.replaces_response:
            response = Response(fault.status or 200, [("Content-Type", fault.content_type)],
                                fault.body or b"")
        elif fault.ignore_ranges:
            unranged = [h for h in request.headers if h[0].lower() not in ("range", "if-range")]
            response = server.route(dataclasses.replace(request, headers=unranged), server.services)
        else:
            response = server.route(request, server.services)
        server.services.log.append(server.origin, self.command, self.path, request.headers,
                                   body, response.status)
        self._send(response, fault)

    do_GET = do_HEAD = do_POST = do_PUT = do_DELETE = do_PATCH = do_OPTIONS = _dispatch

    def _send(self, response, fault):
        length = response.length
        head_only = self.command == "HEAD"
        cut = fault.drop_after >= 0 and not head_only
        # Without a correct Content-Length the body can only end with the connection.
        if "content-length" in fault.omit_headers or fault.content_length_extra or cut:
            self.close_connection = True
        headers = [("Date", email.utils.formatdate(usegmt=True)), ("Server", SERVER_NAME)]
        headers += response.headers
        headers.append(("Content-Length", str(length + fault.content_length_extra)))
        if self.close_connection:
            headers.append(("Connection", "close"))
        headers = [h for h in headers if h[0].lower() not in fault.omit_headers]
        filler = [(f"X-Filler-{i:04d}", "f" * 64) for i in range(fault.extra_headers)]
        headers = filler + headers + list(fault.add_headers)
        head = f"HTTP/1.1 {response.status} {_reason(response.status)}\r\n"
        head += "".join(f"{name}: {value}\r\n" for name, value in headers) + "\r\n"
        if fault.delay_headers:
            time.sleep(fault.delay_headers)
        self.wfile.write(head.encode("latin-1"))
        if head_only:
            return
        budget = min(length, fault.drop_after) if cut else length
        self._write_body(response, budget, fault)
        if cut:
            self.dropped = not fault.clean_close

    def _write_body(self, response, budget, fault):
        def pieces():
            if response.file is None:
                view = memoryview(response.body)
                for start in range(0, budget, fault.piece_size):
                    yield view[start:min(budget, start + fault.piece_size)]
                return
            buffer = bytearray(fault.piece_size)
            view = memoryview(buffer)
            left = budget
            with open(response.file, "rb") as f:
                f.seek(response.offset)
                while left > 0:
                    n = f.readinto(view[:min(left, fault.piece_size)])
                    if n == 0:
                        return
                    left -= n
                    yield view[:n]

        for piece in pieces():
            if fault.delay_body:
                time.sleep(fault.delay_body)
            self.wfile.write(piece)


class OriginServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    """One TLS origin. The certificate is chosen per connection, so a scenario
    can switch an origin to the untrusted one without a restart."""

    daemon_threads = True
    block_on_close = False
    allow_reuse_address = True

    def __init__(self, port, origin, route, services, tls):
        self.origin = origin
        self.route = route
        self.services = services
        self.tls = tls
        super().__init__(("127.0.0.1", port), OriginHandler)

    def server_bind(self):
        # HTTPServer.server_bind looks the host name up, which can stall.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]

    def finish_request(self, request, client_address):
        untrusted = (self.origin == "untrusted"
                     or self.services.scenario.connection(self.origin) == "untrusted")
        context = self.tls.untrusted if untrusted else self.tls.trusted
        request.settimeout(HANDSHAKE_TIMEOUT)
        try:
            conn = context.wrap_socket(request, server_side=True)
        except OSError:
            return  # a client that rejects the certificate ends here
        handler = None
        try:
            handler = self.RequestHandlerClass(conn, client_address, self)
        finally:
            _close(conn, graceful=handler is not None and not handler.dropped)

    def handle_error(self, request, client_address):
        # Clients that hang up mid-body (a cancelled download) are normal here.
        if isinstance(sys.exc_info()[1], OSError):
            return
        super().handle_error(request, client_address)


def _close(conn, graceful):
    try:
        if graceful:
            conn.settimeout(CLOSE_TIMEOUT)
            conn.unwrap()  # close_notify, so a body ended by the close ends cleanly
    except (OSError, ValueError):
        pass
    finally:
        conn.close()
