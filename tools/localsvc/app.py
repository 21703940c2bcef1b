"""All origins of the local services in one process."""
import dataclasses
import threading

from . import catalog, config, files, oauth
from .catalog import Catalog
from .control import ControlServer
from .listeners import POLL_INTERVAL, OriginListener, TlsContexts, refusing_socket
from .messages import error_response
from .oauth import OAuthState
from .requestlog import RequestLog
from .scenario import Scenario, ScenarioStore


@dataclasses.dataclass
class Services:
    """What the route functions of every origin share."""
    ports: dict
    scenario: ScenarioStore
    log: RequestLog
    oauth: OAuthState
    catalog: Catalog


def _router(*routes):
    def route(request, services):
        for candidate in routes:
            response = candidate(request, services)
            if response is not None:
                return response
        return error_response(404, "not found")
    return route


# The untrusted origin answers everything, so that any address of a test may point at it.
ROUTES = {
    "catalog": _router(catalog.route),
    "oauth": _router(oauth.route),
    "files": _router(files.route),
    "untrusted": _router(catalog.route, oauth.route, files.route),
}


class App:
    def __init__(self, port_base, certdir, catalog_root, log_path):
        settings = config.load()
        ports = config.ports_for(port_base, settings)
        self.services = Services(ports, ScenarioStore(), RequestLog(log_path),
                                 OAuthState(settings["app_tokens"]), Catalog(catalog_root))
        tls = TlsContexts(certdir)
        self._listeners = {origin: OriginListener(origin, ports[origin], ROUTES[origin],
                                                  self.services, tls)
                           for origin in config.TLS_ORIGINS}
        self._lock = threading.Lock()
        self._refused = None
        self._control = None

    def start(self):
        """Bind every port; returns once all of them listen (or refuse)."""
        ports = self.services.ports
        for origin, listener in self._listeners.items():
            listener.start()
            ports[origin] = listener.port
        self._refused = refusing_socket(ports["refused"])
        ports["refused"] = self._refused.getsockname()[1]
        self._control = ControlServer(ports["control"], self)
        ports["control"] = self._control.server_address[1]
        threading.Thread(target=self._control.serve_forever, args=(POLL_INTERVAL,), name="control",
                         daemon=True).start()

    def apply(self, scenario):
        with self._lock:
            self.services.scenario.replace(scenario)
            for origin, listener in self._listeners.items():
                listener.set_refusing(scenario.connections.get(origin) == "refuse")

    def reset(self):
        self.apply(Scenario())
        self.services.oauth.clear()
        self.services.log.clear()

    def stop(self):
        self._control.shutdown()
        self._control.server_close()
        for listener in self._listeners.values():
            listener.stop()
        self._refused.close()
