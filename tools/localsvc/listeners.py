"""Listening sockets: the TLS origins, which a scenario may close and reopen,
and ports that are held without listening so that connections are refused."""
import os
import socket
import ssl
import threading

from .origin_server import OriginServer

POLL_INTERVAL = 0.05  # how quickly a closed origin stops accepting


class TlsContexts:
    def __init__(self, certdir):
        self.trusted = self._context(certdir, "server")
        self.untrusted = self._context(certdir, "untrusted-server")

    @staticmethod
    def _context(certdir, stem):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(certdir, f"{stem}.pem"),
                                os.path.join(certdir, f"{stem}.key"))
        return context


def refusing_socket(port):
    """A bound socket that never listens: the port is taken, connecting is refused."""
    holder = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    holder.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    holder.bind(("127.0.0.1", port))
    return holder


class OriginListener:
    """One TLS origin on a fixed port, either serving or refusing connections."""

    def __init__(self, origin, port, route, services, tls):
        self.origin, self.port = origin, port
        self._make_server = lambda p: OriginServer(p, origin, route, services, tls)
        self._lock = threading.Lock()
        self._server = None
        self._holder = None

    def start(self):
        """Serve; a port of 0 becomes the one the system chose."""
        with self._lock:
            self._serve()

    def _serve(self):
        if self._holder is not None:
            self._holder.close()
            self._holder = None
        self._server = self._make_server(self.port)
        self.port = self._server.server_address[1]
        threading.Thread(target=self._server.serve_forever, args=(POLL_INTERVAL,),
                         name=f"{self.origin}-accept", daemon=True).start()

    def _stop_serving(self):
        self._server.shutdown()
        self._server.server_close()
        self._server = None

    def set_refusing(self, refusing):
        with self._lock:
            if refusing and self._server is not None:
                self._stop_serving()
                self._holder = refusing_socket(self.port)
            elif not refusing and self._server is None:
                self._serve()

    def stop(self):
        with self._lock:
            if self._server is not None:
                self._stop_serving()
            if self._holder is not None:
                self._holder.close()
                self._holder = None
