#pragma once

#include "controller/service/link_address.h"

#include <cstdint>
#include <string>

namespace controller {
class MatrixSession;
}

namespace matrixd {

// Puts `session` on the line `link` names: the serial device opened at `baud`, the UDP socket
// made on `localPort` (0: any) and sending to HOST:PORT, or the TCP connection to HOST:PORT
// started (it is made in the background, and made again when lost). Every kind of link is
// mapped here and nowhere else. Empty when the link is under way, else why not, in one line.
std::string connectLink(controller::MatrixSession& session, const LinkAddress& link, int baud,
                        std::uint16_t localPort);

// Whether the session's link of that kind is in use now.
bool linkInUse(const controller::MatrixSession& session, const LinkAddress& link);

} // namespace matrixd
