#pragma once

#include "controller/service/access_policy.h"
#include "controller/session/crosspoint_file.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace matrixd {

// The longest request body taken.
inline constexpr std::size_t kMaxBodyBytes = 64 * 1024;

// What one request to /api/v1 asks for, checked against the matrices there are: a matrix, an
// output, an input and a scene that exist, a body that says what it should.
struct ApiCall {
    enum class Kind {
        Matrices,  // GET  /api/v1/matrices
        Matrix,    // GET  /api/v1/matrices/NAME
        Switch,    // PUT  /api/v1/matrices/NAME/outputs/N  {"input": M}
        Read,      // POST /api/v1/matrices/NAME/read
        SceneLoad, // POST /api/v1/matrices/NAME/scenes/N/load
        SceneSave, // POST /api/v1/matrices/NAME/scenes/N/save
        Backup,    // GET  /api/v1/matrices/NAME/backup
        Restore,   // PUT  /api/v1/matrices/NAME/backup  (a backup's JSON)
        Events,    // GET  /api/v1/events, without the WebSocket upgrade
    };
    Kind kind = Kind::Matrices;
    std::string matrix;
    int output = 0; // from 1
    int input = 0;  // from 1
    int scene = 0;  // 1 to 16
    controller::CrosspointFile restore;
};

struct ApiParse {
    std::optional<ApiCall> call;
    // Otherwise: 400 (body), 404 (path, matrix, output, scene), 405 (method: `allow` names the
    // methods the path takes), 413 (body too large).
    Refusal refusal;
    std::string allow;
};

// A matrix's port count by its name; nullopt when there is none of that name.
using PortsOf = std::function<std::optional<int>(const std::string&)>;

// Reads a request whose path starts with /api/. Plain logic on the three texts: any bytes give a
// call or a refusal.
ApiParse parseApiCall(std::string_view method, std::string_view path, std::string_view body,
                      const PortsOf& portsOf);

// The input of a switch's body {"input": M} on a matrix of `ports` (M from 1); nullopt with
// `error` saying why for anything else.
std::optional<int> switchInputOf(std::string_view body, int ports, std::string& error);

} // namespace matrixd
