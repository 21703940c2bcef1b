import json
import unittest

from support import ServicesTest, basic_value, bearer_token, request
from localsvc import config

CLIENTS = "/oauth2/v1/clients"
TOKENS = "/oauth2/v1/tokens/bearer"


def activate(form):
    return request("oauth", "POST", CLIENTS, body=form.encode())


class ClientActivationTest(ServicesTest):
    def test_both_application_tokens_activate_a_client(self):
        for environment, token in config.load()["app_tokens"].items():
            with self.subTest(environment):
                status, _, body = activate(f"x_app_token={token}&x_client_context=Tarvosa")
                self.assertEqual(200, status)
                client = json.loads(body)
                self.assertTrue(client["client_id"] and client["client_secret"])

    def test_unknown_token_or_missing_context_is_refused(self):
        token = config.load()["app_tokens"]["PROD"]
        for form in (f"x_app_token={token[:-1]}&x_client_context=Tarvosa",
                     f"x_app_token={token}", "x_client_context=Tarvosa", ""):
            with self.subTest(form):
                self.assertEqual(401, activate(form)[0])

    def test_only_post_is_allowed(self):
        self.assertEqual(405, request("oauth", "GET", CLIENTS)[0])


class TokenTest(ServicesTest):
    def _client(self):
        token = config.load()["app_tokens"]["E2E"]
        client = json.loads(activate(f"x_app_token={token}&x_client_context=x")[2])
        return client["client_id"], client["client_secret"]

    def _token(self, credentials, form=b"grant_type=client_credentials"):
        return request("oauth", "POST", TOKENS, body=form,
                       headers=[("Authorization", "Basic " + basic_value(credentials))])

    def test_client_credentials_give_a_bearer_token(self):
        client_id, secret = self._client()
        status, _, body = self._token(f"{client_id}:{secret}")
        self.assertEqual(200, status)
        answer = json.loads(body)
        self.assertEqual("bearer", answer["token_type"])
        self.assertEqual(3600, answer["expires_in"])
        self.assertTrue(answer["access_token"])

    def test_wrong_secret_grant_or_authorization_is_refused(self):
        client_id, secret = self._client()
        self.assertEqual(401, self._token(f"{client_id}:{secret}x")[0])
        self.assertEqual(401, self._token(f"{client_id}{secret}")[0])
        self.assertEqual(401, self._token(f"{client_id}:{secret}", b"grant_type=password")[0])
        unauthenticated = request("oauth", "POST", TOKENS, body=b"grant_type=client_credentials")
        self.assertEqual(401, unauthenticated[0])

    def test_reset_forgets_clients(self):
        client_id, secret = self._client()
        self.svc.reset()
        self.assertEqual(401, self._token(f"{client_id}:{secret}")[0])

    def test_scenario_sets_the_lifetime(self):
        self.svc.set_scenario({"token_lifetime": 60})
        client_id, secret = self._client()
        self.assertEqual(60, json.loads(self._token(f"{client_id}:{secret}")[2])["expires_in"])


class TokenExpiryTest(ServicesTest):
    QUERY = "/v3/release-catalog/tarvosa-loader-app?major-version=2024&status=Release"

    def test_catalog_refuses_an_expired_token(self):
        self.svc.set_scenario({"token_lifetime": 0})
        dead = bearer_token()
        self.svc.set_scenario({})
        live = bearer_token()
        self.assertEqual(401, request("catalog", "GET", self.QUERY, [("Authorization", dead)])[0])
        self.assertEqual(200, request("catalog", "GET", self.QUERY, [("Authorization", live)])[0])


if __name__ == "__main__":
    unittest.main()
