import http.client
import unittest

from support import CATALOG_FILES, MTIME_HTTP, ServicesTest, request, services, tls_context

DAT = "/files/2024/Release/S24Launch.dat"


class FileOriginTest(ServicesTest):
    def test_get_and_head_carry_length_and_modification_time(self):
        content = CATALOG_FILES[("2024", "Release", "S24Launch.dat")]
        for method, body in (("GET", content), ("HEAD", b"")):
            with self.subTest(method):
                status, headers, received = request("files", method, DAT)
                headers = dict(headers)
                self.assertEqual(200, status)
                self.assertEqual(str(len(content)), headers["Content-Length"])
                self.assertEqual(MTIME_HTTP, headers["Last-Modified"])
                self.assertEqual(body, received)

    def test_byte_ranges_of_the_same_file(self):
        content = CATALOG_FILES[("2024", "Release", "S24Launch.dat")]
        n = len(content)
        cases = [
            ([("Range", "bytes=10-")], 206, content[10:], f"bytes 10-{n - 1}/{n}"),
            ([("Range", "bytes=10-19"), ("If-Range", MTIME_HTTP)], 206, content[10:20], f"bytes 10-19/{n}"),
            # Another file since: the whole of the current one.
            ([("Range", "bytes=10-"), ("If-Range", "Mon, 01 Jan 2001 00:00:00 GMT")], 200, content, None),
            ([("Range", f"bytes={n}-")], 416, b"", f"bytes */{n}"),
        ]
        for asked, status, body, content_range in cases:
            with self.subTest(asked):
                got_status, headers, received = request("files", "GET", DAT, headers=asked)
                headers = dict(headers)
                self.assertEqual((status, body, content_range), (got_status, received, headers.get("Content-Range")))
                if status != 416:
                    self.assertEqual("bytes", headers["Accept-Ranges"])
                    self.assertEqual(str(len(body)), headers["Content-Length"])

    def test_missing_or_escaping_names_are_not_found(self):
        for path in ("/files/2024/Release/Nothing.exe", "/files/2024/Release",
                     "/files/2024/Release/..%2F..%2F2025%2FBeta%2FS24Launch.exe",
                     "/files/2024/../2024/Release/S24Launch.dat", "/other"):
            with self.subTest(path):
                self.assertEqual(404, request("files", "GET", path)[0])

    def test_requests_share_a_kept_alive_connection(self):
        conn = http.client.HTTPSConnection("127.0.0.1", services().ports["files"],
                                           context=tls_context(), timeout=10)
        try:
            for path in (DAT, "/files/2024/Release/Skylaunch24.exe", DAT):
                conn.request("GET", path)
                response = conn.getresponse()
                response.read()
                self.assertEqual(200, response.status)
                self.assertFalse(response.will_close)
        finally:
            conn.close()


if __name__ == "__main__":
    unittest.main()
