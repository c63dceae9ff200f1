#pragma once

#include <string>

namespace terminal_setup {

// What the list window hands to the terminal setup dialog for one row. The dialog reads these
// once, while it initialises.
struct SetupDialogInputs {
    int recordIndex = -1;        // the row, which is also the record's index in the table
    std::string idText;          // the row's "ID" column
    std::string macText;         // the row's "MAC" column
    std::string nameText;        // the row's "Name" column (at most 6 characters)
    std::string ipText;          // the row's "IP" column
    int softwareVersion = 0;     // record byte 54
    int hardwareVersion = 0;     // record byte 55
    std::string dnsText;         // record bytes 56-59, dotted
    std::string maskText;        // record bytes 26-29, dotted
    unsigned port = 0;           // record bytes 30-31, low byte first
    int dhcpFlag = 0;            // record byte 46, taken as a signed byte
    int workMode = 0;            // record byte 34
    int baudIndex = 0;           // record byte 35
    std::string multicastText;   // the list window's group address
    std::string hostIpText;      // record bytes 18-21, dotted
    std::string hostPortText;    // record bytes 32-33, "%u"
    std::string gatewayText;     // record bytes 22-25, dotted
    int terminalCount = 0;       // records in the table when the dialog opens
};

} // namespace terminal_setup
