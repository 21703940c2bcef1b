"""The loopback port layout and application tokens shared with the build."""
import json
import os

CONFIG_FILE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                           "local_services.json")

# Origins that speak HTTPS; "untrusted" always presents the untrusted CA's certificate.
TLS_ORIGINS = ("catalog", "oauth", "files", "untrusted")
ROLES = ("control",) + TLS_ORIGINS + ("refused",)


def load():
    with open(CONFIG_FILE) as f:
        return json.load(f)


def ports_for(port_base, config=None):
    """Port of every role for a base; base 0 lets the system choose each port."""
    config = config or load()
    offsets = config["port_offsets"]
    return {role: (port_base + offsets[role] if port_base else 0) for role in ROLES}
