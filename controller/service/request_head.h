#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace matrixd {

// The start of an HTTP/1.1 request, up to the blank line that ends its header fields, as the
// service reads it before it lets the request in.
struct RequestHead {
    std::string method;
    std::string path;                                        // the target up to "?"
    std::string query;                                       // after "?", without it
    std::vector<std::pair<std::string, std::string>> fields; // names in lower case

    // The first value of a field (name in lower case); nullopt when absent.
    std::optional<std::string> field(std::string_view name) const;
};

// The longest head taken, in bytes.
inline constexpr std::size_t kMaxHeadBytes = 16 * 1024;

struct HeadParse {
    enum class Status {
        Incomplete, // no blank line yet: wait for more bytes
        Complete,
        Malformed, // not an HTTP/1.x request head
        TooLarge,  // no end within kMaxHeadBytes
    };
    Status status = Status::Incomplete;
    RequestHead head;
};

// Reads the head at the start of `bytes` (the request as received so far). Plain byte logic:
// nothing beyond `bytes` is read, whatever they hold.
HeadParse parseRequestHead(std::string_view bytes);

// The value of `key` in a query string ("a=1&token=xyz"), percent-decoded; nullopt when absent.
std::optional<std::string> queryValue(std::string_view query, std::string_view key);

} // namespace matrixd
