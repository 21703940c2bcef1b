"""The OAuth origin: client activation with an application token, then the
client-credentials grant with HTTP Basic authorization."""
import base64
import binascii
import secrets
import threading
import time

from .messages import error_response, json_response

CLIENTS_PATH = "/oauth2/v1/clients"
TOKENS_PATH = "/oauth2/v1/tokens/bearer"


class OAuthState:
    """Activated clients and issued tokens; forgotten by a reset."""

    def __init__(self, app_tokens):
        self._app_tokens = set(app_tokens.values())
        self._lock = threading.Lock()
        self._clients = {}   # client id -> secret
        self._tokens = {}    # access token -> time.monotonic() at expiry

    def activate(self, app_token):
        if app_token not in self._app_tokens:
            return None
        client_id, secret = secrets.token_hex(12), secrets.token_urlsafe(24)
        with self._lock:
            self._clients[client_id] = secret
        return client_id, secret

    def issue(self, client_id, secret, lifetime):
        with self._lock:
            if client_id not in self._clients or self._clients[client_id] != secret:
                return None
            token = secrets.token_urlsafe(32)
            self._tokens[token] = time.monotonic() + lifetime
            return token

    def token_valid(self, token):
        with self._lock:
            expiry = self._tokens.get(token)
        return expiry is not None and time.monotonic() < expiry

    def clear(self):
        with self._lock:
            self._clients.clear()
            self._tokens.clear()


def _basic_credentials(request):
    """(id, secret) from "Authorization: Basic base64(id:secret)", or None."""
    value = request.header("Authorization") or ""
    scheme, _, encoded = value.partition(" ")
    if scheme.lower() != "basic":
        return None
    try:
        decoded = base64.b64decode(encoded.strip(), validate=True).decode("latin-1")
    except (binascii.Error, ValueError):
        return None
    client_id, colon, secret = decoded.partition(":")
    return (client_id, secret) if colon else None


def route(request, services):
    if request.path not in (CLIENTS_PATH, TOKENS_PATH):
        return None
    if request.method != "POST":
        return error_response(405, "method not allowed")
    state = services.oauth
    form = request.form()
    if request.path == CLIENTS_PATH:
        client = None
        if form.get("x_client_context"):
            client = state.activate(form.get("x_app_token"))
        if client is None:
            return error_response(401, "invalid_client")
        return json_response(200, {"client_id": client[0], "client_secret": client[1]})
    credentials = _basic_credentials(request)
    if credentials is None or form.get("grant_type") != "client_credentials":
        return error_response(401, "invalid_client")
    lifetime = services.scenario.token_lifetime()
    token = state.issue(*credentials, lifetime)
    if token is None:
        return error_response(401, "invalid_client")
    return json_response(200, {"token_type": "bearer", "access_token": token,
                               "expires_in": lifetime})
