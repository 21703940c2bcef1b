#pragma once
// The Windows tests' side of the local services' control port (plain HTTP on 127.0.0.1): choose a
// scenario (faults, token lifetime, Urns, refused or untrusted origins), reset, and read the
// request log to assert the exact exchange.
#include <string>
#include <utility>
#include <vector>

namespace skylaunch::testing {

struct TLoggedRequest {
  std::string Origin;  // "catalog", "oauth", "files", …
  std::string Method;
  std::string Path;  // with the query
  std::vector<std::pair<std::string, std::string>> Headers;  // in the order received
  std::string Body;  // the bytes as sent
  int Status = 0;    // what the origin answered

  // Every value of a header, compared by name without regard to letter case.
  std::vector<std::string> HeaderValues(const std::string& name) const;
};

class TServiceControl {
 public:
  TServiceControl();  // the control port of this build tree's services

  // Replaces the scenario (a JSON object, see tools/localsvc/scenario.py); throws on refusal.
  void SetScenario(const std::string& json);
  // Default scenario, no clients or tokens, empty log.
  void Reset();
  std::vector<TLoggedRequest> Requests();
  // Requests() of one origin.
  std::vector<TLoggedRequest> Requests(const std::string& origin);

 private:
  std::string Call(const wchar_t* verb, const wchar_t* path, const std::string& body);

  unsigned short fPort;
};

// Resets the services when a test starts and again when it ends, so no scenario leaks.
class TServiceScenario {
 public:
  explicit TServiceScenario(const std::string& json = "{}");
  ~TServiceScenario();
  TServiceControl& Control() { return fControl; }

 private:
  TServiceControl fControl;
};

}  // namespace skylaunch::testing
