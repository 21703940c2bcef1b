"""The file origin: the catalog's files under /files/<major-version>/<status>/<name>.

It serves byte ranges as a download server does: "Accept-Ranges: bytes", and to
"Range: bytes=N-" (or N-M) a 206 with that part and its Content-Range, unless an
"If-Range" names another Last-Modified (then the whole file, 200). A range that
starts beyond the file is a 416.
"""
import email.utils
import os
import re
import urllib.parse

from .messages import Response, error_response

PREFIX = "/files/"
RANGE = re.compile(r"bytes=(\d+)-(\d*)$")


def _wanted_range(request, modified, size):
    """(first, last) byte of the part the request asks for, or None for the whole file."""
    match = RANGE.match((request.header("Range") or "").strip())
    if not match:
        return None
    if_range = request.header("If-Range")
    if if_range is not None and if_range.strip() != modified:
        return None
    first = int(match[1])
    last = min(int(match[2]), size - 1) if match[2] else size - 1
    return (first, last) if first <= last or first >= size else None


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
    size = os.path.getsize(path)
    headers = [("Content-Type", "application/octet-stream"), ("Last-Modified", modified),
               ("Accept-Ranges", "bytes")]
    wanted = _wanted_range(request, modified, size)
    if wanted is None:
        return Response(200, headers, file=path)
    first, last = wanted
    if first >= size:
        return Response(416, [("Content-Range", f"bytes */{size}")])
    return Response(206, headers + [("Content-Range", f"bytes {first}-{last}/{size}")], file=path,
                    offset=first, file_length=last - first + 1)
