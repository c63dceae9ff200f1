#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

// Set by the build for the executables whose tests talk to an MQTT broker.
#ifndef MQTT_BROKER_RECORD
#define MQTT_BROKER_RECORD ""
#endif
#ifndef MOSQUITTO_PROGRAM
#define MOSQUITTO_PROGRAM ""
#endif

namespace test_support {

// Debian's mosquitto on 127.0.0.1 only, anonymous clients allowed, nothing kept on disk, in a
// session of its own; never on the machine's port 1883 unless asked for it.
struct MqttBroker {
    pid_t pid = 0;
    std::uint16_t port = 0;

    // Starts `program` on `port` (a free one for 0), its configuration written to `conf` and its
    // log to `conf`.log, and waits until it takes connections. False, with `error`, when it did
    // not come up within 20 s.
    bool start(const std::string& program, const std::string& conf, std::uint16_t port,
               std::string& error);
    // SIGTERM, then SIGKILL after 10 s; false when it had ended already.
    bool stop();
};

// The port of the broker that the fixture recorded in `record` ("pid=N", "port=P" lines); 0 when
// there is none.
std::uint16_t recordedBrokerPort(const char* record = MQTT_BROKER_RECORD);

} // namespace test_support
