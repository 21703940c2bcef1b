"""Requests and responses as the origins' route functions see them."""
import dataclasses
import json
import os
import urllib.parse


@dataclasses.dataclass
class Request:
    origin: str
    method: str
    target: str      # path and query exactly as sent
    headers: list    # (name, value) in the order received
    body: bytes

    @property
    def path(self):
        return urllib.parse.urlsplit(self.target).path

    def query(self):
        """Query parameters, the first occurrence of each name."""
        pairs = urllib.parse.parse_qsl(urllib.parse.urlsplit(self.target).query,
                                       keep_blank_values=True)
        return {name: value for name, value in reversed(pairs)}

    def form(self):
        """Form fields of an urlencoded body, the first occurrence of each name."""
        pairs = urllib.parse.parse_qsl(self.body.decode("latin-1"), keep_blank_values=True)
        return {name: value for name, value in reversed(pairs)}

    def header(self, name):
        """The first header of that name (any letter case), or None."""
        return next((v for n, v in self.headers if n.lower() == name.lower()), None)


@dataclasses.dataclass
class Response:
    status: int
    headers: list = dataclasses.field(default_factory=list)
    body: bytes = b""
    file: str = None  # when set, the body is this file (or the part from offset on), streamed
    offset: int = 0
    file_length: int = None  # bytes of the file from offset on; None: up to its end

    @property
    def length(self):
        if not self.file:
            return len(self.body)
        if self.file_length is not None:
            return self.file_length
        return os.path.getsize(self.file) - self.offset


def json_response(status, value):
    return Response(status, [("Content-Type", "application/json; charset=utf-8")],
                    json.dumps(value).encode("utf-8"))


def error_response(status, text):
    return json_response(status, {"error": text})
