// matrixd: the matrix switchers of a building shared on the network.
//   matrixd [--config FILE] [--listen HOST:PORT]
#include "controller/link/system_serial_ports.h"
#include "controller/service/matrix_service.h"
#include "controller/service/shared_matrix.h"
#include "platform/qt/settings_location.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 2;

const char* const kUsage = R"(usage: matrixd [--config FILE] [--listen HOST:PORT] [--check]
Offers the matrix switchers of a configuration on the network: an HTTP API under /api/v1,
live events on the WebSocket /api/v1/events and a web panel at /.

  --config FILE       matrixd.ini: [Server] Listen, Token, Certificate, Key; one [MatrixN]
                      section per matrix with Name, Link, Size, Type, Baud, Address, ...;
                      [MQTT] Host, Port, User, Password, CaFile, BaseTopic, ClientId,
                      Discovery for the MQTT bridge and Home Assistant
                      Without it, the one matrix of Brisvane's settings, named "matrix".
  --listen HOST:PORT  where to listen, instead of Listen (127.0.0.1:8080); an address other
                      than loopback needs a Token
  --check             read the configuration, say what it would serve, and end: status 0
                      when it fits (nothing is opened nor listened on)
  --help, --version

See man matrixd for the configuration, the API and the security it keeps.
)";

int g_stopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(g_stopPipe[1], &byte, 1);
}

int fail(const std::string& why) {
    std::cerr << "matrixd: " << why << "\n" << std::flush;
    return kUsageError;
}

struct Arguments {
    std::optional<std::string> config;
    std::optional<std::string> listen;
    bool help = false;
    bool version = false;
    bool check = false;
};

std::optional<Arguments> parseArguments(const std::vector<std::string>& args, std::string& error) {
    Arguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        if (arg == "--version") {
            parsed.version = true;
            continue;
        }
        if (arg == "--check") {
            parsed.check = true;
            continue;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (name != "--config" && name != "--listen") {
            error = arg.rfind("-", 0) == 0 ? "unknown option " + name + " (try --help)"
                                           : "unexpected argument \"" + arg + "\" (try --help)";
            return std::nullopt;
        }
        std::string value;
        if (eq != std::string::npos)
            value = arg.substr(eq + 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else {
            error = name + " needs a value";
            return std::nullopt;
        }
        (name == "--config" ? parsed.config : parsed.listen) = value;
    }
    return parsed;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("matrixd"));
    std::string error;
    const auto args = parseArguments(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!args)
        return fail(error);
    if (args->help) {
        std::cout << kUsage;
        return 0;
    }
    if (args->version) {
        std::cout << "matrixd " MATRIX_VERSION "\n";
        return 0;
    }

    matrixd::ServiceConfig config;
    if (args->config) {
        const auto read = matrixd::readServiceConfig(*args->config, error);
        if (!read)
            return fail(error);
        config = *read;
    } else {
        // Brisvane's own name: its settings folder is found by it.
        QCoreApplication::setApplicationName(QStringLiteral("Brisvane"));
        const QString settings = platform::findSettingsFile(QCoreApplication::applicationDirPath(),
                                                            QStringLiteral("Setting.ini"));
        QCoreApplication::setApplicationName(QStringLiteral("matrixd"));
        config = matrixd::brisvaneDefaultConfig(settings.toStdString());
        std::cerr << "matrixd: no --config: serving the matrix of " << settings.toStdString()
                  << " as \"matrix\"\n";
    }
    if (args->listen) {
        const auto listen = matrixd::parseListenAddress(*args->listen, error);
        if (!listen)
            return fail("--listen " + error + ", not \"" + *args->listen + "\"");
        config.server.listen = *listen;
    }
    // Before anything listens or opens a device.
    const std::string where = matrixd::listenText(config.server.listen);
    if (!matrixd::isLoopback(config.server.listen) && config.server.token.empty())
        return fail("refusing to listen on " + where +
                    " without a Token: anyone who reaches it could switch the matrices; set "
                    "Token in [Server] (or listen on 127.0.0.1)");

    if (args->check) {
        std::cout << "matrixd: the configuration fits; it would listen on " << where << " with"
                  << (config.server.token.empty() ? "out" : "") << " a token"
                  << (config.server.certificate.empty() ? "" : ", over TLS") << "\n";
        for (const matrixd::MatrixConfig& m : config.matrices)
            std::cout << "  " << m.name << ": "
                      << (m.link ? matrixd::linkText(*m.link) + ", " + std::to_string(m.ports) +
                                       " × " + std::to_string(m.ports)
                                 : "the links and size of " + m.brisvaneSettings)
                      << "\n";
        if (const auto& mqtt = config.mqtt)
            std::cout << "  MQTT: " << mqtt->host << ":" << mqtt->port
                      << (mqtt->caFile.empty() ? "" : " over TLS") << ", topics under "
                      << mqtt->baseTopic << "/, "
                      << (mqtt->discovery.empty() ? "no discovery"
                                                  : "discovery under " + mqtt->discovery + "/")
                      << "\n";
        return 0;
    }

    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, nullptr);
        ::sigaction(SIGTERM, &action, nullptr);
    }
    QSocketNotifier stop(g_stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    matrixd::MatrixService service(config, {controller::systemSerialPorts, {}},
                                   [](const std::string& line) {
                                       std::cerr << "matrixd: " << line << "\n" << std::flush;
                                   });
    if (!service.listen(error))
        return fail(error);
    if (!config.server.token.empty() && config.server.certificate.empty() &&
        !matrixd::isLoopback(config.server.listen))
        std::cerr << "matrixd: without Certificate and Key the token crosses the network "
                     "unencrypted\n";
    std::string names;
    for (const matrixd::MatrixConfig& m : config.matrices)
        names += (names.empty() ? "" : ", ") + m.name;
    matrixd::ListenAddress bound = config.server.listen;
    bound.port = service.port();
    std::cerr << "matrixd: listening on " << (config.server.certificate.empty() ? "http" : "https")
              << "://" << matrixd::listenText(bound) << "/ (" << names << ")\n"
              << std::flush;
    service.start();
    const int status = QCoreApplication::exec();
    std::cerr << "matrixd: stopped\n";
    return status;
}
