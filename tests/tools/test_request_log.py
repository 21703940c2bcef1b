import unittest

from support import ServicesTest, request


class RequestLogTest(ServicesTest):
    def test_records_the_exchange_as_received(self):
        body = b"x_app_token=\xe4bc&x_client_context=Tarvosa"
        request("oauth", "POST", "/oauth2/v1/clients?probe=1", body=body, headers=[
            ("Content-Type", "application/x-www-form-urlencoded"),
            ("Content-Type", "application/x-www-form-urlencoded;charset=UTF-8")])
        self.svc.set_scenario({"faults": [{"origin": "files", "status": 418}]})
        request("files", "GET", "/files/a/b/c")
        first, second = self.svc.requests()
        self.assertEqual(("oauth", "POST", "/oauth2/v1/clients?probe=1", 401),
                         (first["origin"], first["method"], first["path"], first["status"]))
        content_types = [value for name, value in first["headers"] if name == "Content-Type"]
        self.assertEqual(["application/x-www-form-urlencoded",
                          "application/x-www-form-urlencoded;charset=UTF-8"], content_types)
        self.assertEqual(body, first["body"].encode("latin-1"))
        self.assertEqual(("files", 418, ""), (second["origin"], second["status"], second["body"]))

    def test_reset_empties_the_log(self):
        request("catalog", "GET", "/health/full")
        self.svc.reset()
        self.assertEqual([], self.svc.requests())


if __name__ == "__main__":
    unittest.main()
