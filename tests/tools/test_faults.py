import base64
import socket
import ssl
import time
import unittest

from support import CATALOG_FILES, ServicesTest, raw_exchange, request, services, tls_context

EXE = "/files/2024/Release/S24Launch.exe"
EXE_BYTES = CATALOG_FILES[("2024", "Release", "S24Launch.exe")]


def split(wire):
    """(status line, [(name, value)], body) of one raw response."""
    head, _, body = wire.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    return lines[0], [tuple(line.split(": ", 1)) for line in lines[1:]], body


def get(path, close):
    connection = "Connection: close\r\n" if close else ""
    return f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n{connection}\r\n"


class ReplacedResponseTest(ServicesTest):
    def test_status_and_raw_bodies_replace_the_answer(self):
        duplicate = '{"client_id":"a","client_id":"b","Client_Secret":"c"}'
        cases = [
            ({"status": 404}, "catalog", "/health/full", 404, b""),
            ({"status": 500, "body": "oops"}, "files", EXE, 500, b"oops"),
            ({"body": duplicate}, "oauth", "/oauth2/v1/clients", 200, duplicate.encode()),
            ({"body_base64": base64.b64encode(b"\xe9\x00{").decode()}, "catalog",
             "/v3/release-catalog/tarvosa-loader-app", 200, b"\xe9\x00{"),
        ]
        for fault, origin, path, status, body in cases:
            with self.subTest(fault):
                self.svc.set_scenario({"faults": [dict(fault, origin=origin, path=path)]})
                method = "POST" if origin == "oauth" else "GET"
                self.assertEqual((status, body), request(origin, method, path)[::2])

    def test_match_by_path_pattern_method_and_times(self):
        self.svc.set_scenario({"faults": [
            {"origin": "files", "path": "/files/*/S24Launch.exe", "status": 503, "times": 1},
            {"origin": "files", "method": "HEAD", "status": 410}]})
        self.assertEqual(503, request("files", "GET", EXE)[0])
        self.assertEqual(200, request("files", "GET", EXE)[0])
        self.assertEqual(410, request("files", "HEAD", EXE)[0])
        self.assertEqual(200, request("catalog", "GET", "/health/full")[0])


class TransportFaultTest(ServicesTest):
    def wire(self, fault, client_closes=True):
        """The exchange; with client_closes False only the fault may end it."""
        self.svc.set_scenario({"faults": [dict(fault, origin="files")]})
        return split(raw_exchange("files", get(EXE, client_closes)))

    def test_left_out_headers(self):
        _, headers, body = self.wire({"omit_headers": ["Last-Modified", "content-length"]},
                                     client_closes=False)
        names = [name.lower() for name, _ in headers]
        self.assertNotIn("last-modified", names)
        self.assertNotIn("content-length", names)
        self.assertIn(("Connection", "close"), headers)
        self.assertEqual(EXE_BYTES, body)  # delimited by the close

    def test_longer_content_length_than_body(self):
        _, headers, body = self.wire({"content_length_extra": 100}, client_closes=False)
        self.assertIn(("Content-Length", str(len(EXE_BYTES) + 100)), headers)
        self.assertEqual(EXE_BYTES, body)

    def test_connection_dropped_after_some_body_bytes(self):
        _, headers, body = self.wire({"drop_after": 10, "piece_size": 4}, client_closes=False)
        self.assertIn(("Content-Length", str(len(EXE_BYTES))), headers)
        self.assertEqual(EXE_BYTES[:10], body)

    def test_extra_and_added_headers(self):
        _, headers, _ = self.wire({"extra_headers": 300,
                                   "add_headers": [["Last-Modified", "second"]]})
        self.assertEqual(300, sum(name.startswith("X-Filler-") for name, _ in headers))
        self.assertEqual("X-Filler-0000", headers[0][0])
        modified = [value for name, value in headers if name == "Last-Modified"]
        self.assertEqual(2, len(modified))
        self.assertEqual("second", modified[1])

    def test_delays_before_headers_and_between_pieces(self):
        started = time.monotonic()
        _, _, body = self.wire({"delay_headers": 0.2, "delay_body": 0.05, "piece_size": 600})
        pieces = -(-len(EXE_BYTES) // 600)
        self.assertGreaterEqual(time.monotonic() - started, 0.2 + 0.05 * pieces)
        self.assertEqual(EXE_BYTES, body)


class ConnectionFaultTest(ServicesTest):
    def connect(self, role, ca="ca.pem"):
        with socket.create_connection(("127.0.0.1", services().ports[role]), timeout=5) as raw:
            with tls_context(ca).wrap_socket(raw, server_hostname="127.0.0.1"):
                pass

    def test_fixed_ports_refuse_or_present_the_untrusted_certificate(self):
        with self.assertRaises(ConnectionRefusedError):
            self.connect("refused")
        with self.assertRaises(ssl.SSLCertVerificationError):
            self.connect("untrusted")
        self.connect("untrusted", ca="untrusted-ca.pem")

    def test_scenario_switches_an_origin_and_reset_restores_it(self):
        self.svc.set_scenario({"connections": {"catalog": "refuse", "oauth": "untrusted"}})
        with self.assertRaises(ConnectionRefusedError):
            self.connect("catalog")
        with self.assertRaises(ssl.SSLCertVerificationError):
            self.connect("oauth")
        self.svc.reset()
        self.connect("catalog")
        self.connect("oauth")


class ScenarioValidationTest(ServicesTest):
    def test_mistakes_are_refused_and_leave_the_scenario_alone(self):
        self.svc.set_scenario({"faults": [{"origin": "files", "status": 404}]})
        for bad in ({"fault": []}, {"faults": [{"origin": "nowhere"}]},
                    {"faults": [{"origin": "files", "stauts": 404}]},
                    {"faults": [{"origin": "files", "times": 0}]},
                    {"connections": {"catalog": "slow"}}, {"token_lifetime": "1"}):
            with self.subTest(bad):
                with self.assertRaises(ValueError):
                    self.svc.set_scenario(bad)
        self.assertEqual(404, request("files", "GET", EXE)[0])


if __name__ == "__main__":
    unittest.main()
