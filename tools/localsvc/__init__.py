"""Local stand-ins for the release-catalog, OAuth and file services of Skylaunch.

Used by tools/services.py (the service program) and tools/skyservices.py (the
test fixture); see tools/README.md.
"""
