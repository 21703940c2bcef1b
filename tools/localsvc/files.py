"""The file origin: the catalog's files under /files/<major-version>/<status>/<name>."""
import email.utils
import os
import urllib.parse

from .messages import Response, error_response

PREFIX = "/files/"


def route(request, services):
    if not request.path.startswith(PREFIX):
        return None
    if request.method not in ("GET", "HEAD"):
        return error_response(405, "method not allowed")
    segments = [urllib.parse.unquote(s) for s in request.path[len(PREFIX):].split("/")]
    path = services.catalog.file_path(*segments) if len(segments) == 3 else None
    if path is None:
        return error_response(404, "no such file")
    modified = email.utils.formatdate(os.path.getmtime(path), usegmt=True)
    return Response(200, [("Content-Type", "application/octet-stream"),
                          ("Last-Modified", modified)], file=path)
