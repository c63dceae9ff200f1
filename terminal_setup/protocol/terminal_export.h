#pragma once

#include "terminal_setup/protocol/terminal_listing.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace terminal_setup {

// Every field of the terminals' reports as a record to keep or hand over, in CSV (RFC 4180:
// a header line, CRLF line ends, a field quoted when it holds a comma, a quote or a line break)
// or in JSON (an array of objects with their keys in the order of the CSV columns; no terminal
// gives []). The texts are those Quellin shows: names and models read as GBK, addresses dotted,
// the MAC with its full-width hyphens, the work mode and baud rate as their captions. `interface` is the address of the card the terminal answered on (empty, or
// null in JSON, when unknown); `conflicts` the MACs of the other terminals with the same IP, ID
// or MAC (separated by blanks in CSV). In JSON, `id`, `port` and `host_port` are numbers and
// `dhcp` is true or false; in CSV, `dhcp` is "true" or "false".
enum class ExportFormat { Csv, Json };

inline constexpr std::array<const char*, 19> kExportFields = {"id",
                                                              "name",
                                                              "model",
                                                              "ip",
                                                              "mask",
                                                              "gateway",
                                                              "dns",
                                                              "port",
                                                              "mode",
                                                              "dhcp",
                                                              "baud",
                                                              "host_ip",
                                                              "host_port",
                                                              "multicast_ip",
                                                              "mac",
                                                              "software_version",
                                                              "hardware_version",
                                                              "interface",
                                                              "conflicts"};

// The rows as given, one record each, in UTF-8.
std::string exportTerminals(const std::vector<ListedTerminal>& rows, ExportFormat format);

// The format a file name asks for by its extension (.csv or .json, in any case); nothing for
// another extension.
std::optional<ExportFormat> exportFormatOfPath(std::string_view path);

} // namespace terminal_setup
