#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace matrixd {

// Who may use the API and the events.
struct AccessPolicy {
    // Empty: no token is asked for.
    std::string token;
    // The service listens on loopback: a request must name this machine in its Host field, so
    // that a web page on another name that resolves to 127.0.0.1 cannot reach it.
    bool loopbackOnly = true;
};

struct Refusal {
    int status = 0;
    std::string error;
};

// A request's header field by its name in lower case; nullopt when absent.
using FieldLookup = std::function<std::optional<std::string>(std::string_view)>;

// Whether a request to the API (queryToken nullopt) or to the events (queryToken: the value of
// the "token" query parameter, when given) may go on. Refused with 403 when its Host is not this
// machine while loopbackOnly, or when it comes from a web page of another origin (its Origin
// field names another host than its Host); with 401 when a token is asked for and neither the
// Authorization field ("Bearer TOKEN") nor the query parameter carries it.
std::optional<Refusal> checkAccess(const AccessPolicy& policy, const FieldLookup& field,
                                   const std::optional<std::string>& queryToken);

// Whether a and b are the same, in a time that does not depend on where they differ.
bool sameToken(std::string_view a, std::string_view b);

} // namespace matrixd
