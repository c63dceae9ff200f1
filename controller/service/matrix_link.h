#pragma once

#include "controller/service/link_spec.h"

#include <cstdint>
#include <string>

namespace controller {
class MatrixSession;
}

namespace matrixd {

// Why matrixd cannot use a kind of link at all; empty when it can.
std::string linkUnsupported(const LinkSpec& link);

// Puts `session` on the line `link` names: the serial device opened at `baud`, or the UDP
// socket made on `localPort` (0: any) and sending to HOST:PORT. Every kind of link is mapped
// here and nowhere else. Empty when the link is in use, else why not, in one line.
std::string connectLink(controller::MatrixSession& session, const LinkSpec& link, int baud,
                        std::uint16_t localPort);

// Whether the session's link of that kind is in use now.
bool linkInUse(const controller::MatrixSession& session, const LinkSpec& link);

} // namespace matrixd
