#include "controller/service/access_policy.h"

#include <algorithm>
#include <cctype>

namespace matrixd {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The host of a Host field's value ("127.0.0.1:8080", "[::1]:8080", "localhost").
std::string hostPart(const std::string& value) {
    if (!value.empty() && value[0] == '[') {
        const auto close = value.find(']');
        return close == std::string::npos ? value : value.substr(1, close - 1);
    }
    return value.substr(0, value.find(':'));
}

bool namesThisMachine(const std::string& hostValue) {
    const std::string host = lower(hostPart(hostValue));
    if (host == "localhost" || host == "::1")
        return true;
    // 127.0.0.0/8 in dotted form.
    if (host.rfind("127.", 0) != 0)
        return false;
    int dots = 0;
    for (const char c : host) {
        if (c == '.')
            ++dots;
        else if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return dots == 3;
}

} // namespace

bool sameToken(std::string_view a, std::string_view b) {
    // Every byte of the longer is looked at, whatever the shorter holds.
    const std::size_t length = std::max(a.size(), b.size());
    volatile unsigned char differ = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        differ = static_cast<unsigned char>(differ | (x ^ y));
    }
    return differ == 0;
}

std::optional<Refusal> checkAccess(const AccessPolicy& policy, const FieldLookup& field,
                                   const std::optional<std::string>& queryToken) {
    const std::optional<std::string> host = field("host");
    if (policy.loopbackOnly && host && !namesThisMachine(*host))
        return Refusal{403, "this service answers requests to 127.0.0.1 or localhost only"};
    if (const std::optional<std::string> origin = field("origin")) {
        // "http://127.0.0.1:8080": what follows the scheme must be the Host the request names.
        const auto scheme = origin->find("://");
        const std::string from = scheme == std::string::npos ? "" : origin->substr(scheme + 3);
        if (!host || lower(from) != lower(*host))
            return Refusal{403, "requests from web pages of other sites are refused"};
    }
    if (policy.token.empty())
        return std::nullopt;
    if (const std::optional<std::string> authorization = field("authorization")) {
        const std::string& value = *authorization;
        if (value.size() > 7 && lower(value.substr(0, 7)) == "bearer " &&
            sameToken(value.substr(7), policy.token))
            return std::nullopt;
    }
    if (queryToken && sameToken(*queryToken, policy.token))
        return std::nullopt;
    return Refusal{401, "a token is needed: Authorization: Bearer TOKEN"};
}

} // namespace matrixd
