#include "controller/service/request_head.h"

#include <algorithm>
#include <cctype>

namespace matrixd {

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool tokenCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

} // namespace

std::optional<std::string> RequestHead::field(std::string_view name) const {
    for (const auto& [key, value] : fields)
        if (key == name)
            return value;
    return std::nullopt;
}

HeadParse parseRequestHead(std::string_view bytes) {
    HeadParse result;
    const std::size_t end = bytes.substr(0, kMaxHeadBytes).find("\r\n\r\n");
    if (end == std::string_view::npos) {
        result.status = bytes.size() >= kMaxHeadBytes ? HeadParse::Status::TooLarge
                                                      : HeadParse::Status::Incomplete;
        return result;
    }
    result.status = HeadParse::Status::Malformed;
    std::string_view rest = bytes.substr(0, end + 2);
    const auto nextLine = [&rest]() {
        const std::size_t at = rest.find("\r\n");
        const std::string_view line = rest.substr(0, at);
        rest.remove_prefix(at + 2);
        return line;
    };

    // "METHOD TARGET HTTP/1.x"
    const std::string_view requestLine = nextLine();
    const std::size_t firstBlank = requestLine.find(' ');
    const std::size_t lastBlank = requestLine.rfind(' ');
    if (firstBlank == std::string_view::npos || firstBlank == lastBlank || firstBlank == 0)
        return result;
    const std::string_view method = requestLine.substr(0, firstBlank);
    const std::string_view target = requestLine.substr(firstBlank + 1, lastBlank - firstBlank - 1);
    const std::string_view version = requestLine.substr(lastBlank + 1);
    if (!std::all_of(method.begin(), method.end(), tokenCharacter) ||
        (version != "HTTP/1.1" && version != "HTTP/1.0") || target.empty() || target[0] != '/')
        return result;
    for (const char c : target)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
            return result;
    const std::size_t question = target.find('?');
    result.head.method = std::string(method);
    result.head.path = std::string(target.substr(0, question));
    if (question != std::string_view::npos)
        result.head.query = std::string(target.substr(question + 1));

    while (!rest.empty()) {
        const std::string_view line = nextLine();
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return result;
        const std::string_view name = line.substr(0, colon);
        if (!std::all_of(name.begin(), name.end(), tokenCharacter))
            return result;
        std::string key(name);
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        result.head.fields.emplace_back(std::move(key), std::string(trim(line.substr(colon + 1))));
    }
    result.status = HeadParse::Status::Complete;
    return result;
}

std::optional<std::string> queryValue(std::string_view query, std::string_view key) {
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const std::size_t eq = pair.find('=');
        if (percentDecoded(pair.substr(0, eq)) == key)
            return eq == std::string_view::npos ? std::string()
                                                : percentDecoded(pair.substr(eq + 1));
        if (amp == std::string_view::npos)
            break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

} // namespace matrixd
