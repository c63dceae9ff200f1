#include "controller/matrixctl/typed_commands.h"

#include <QSocketNotifier>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <sstream>

namespace matrixctl {

namespace {

// A line without an end that outgrows any command is no command.
constexpr std::size_t kLongestLine = 4096;

} // namespace

TypedCommands::TypedCommands(int fd, std::ostream& err, Run run)
    : m_fd(fd), m_err(err), m_run(std::move(run)),
      m_notifier(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read)) {
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { read(); });
}

TypedCommands::~TypedCommands() = default;

void TypedCommands::read() {
    char buffer[512];
    ssize_t got;
    do {
        got = ::read(m_fd, buffer, sizeof buffer);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return; // nothing after all; the notifier says when there is
    if (got <= 0) {
        if (got < 0)
            m_err << "matrixctl: cannot read commands: " << std::strerror(errno) << "\n"
                  << std::flush;
        m_notifier->setEnabled(false);
        return;
    }
    m_typed.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = m_typed.find('\n')) != std::string::npos;) {
        std::istringstream line(m_typed.substr(0, end));
        m_typed.erase(0, end + 1);
        const std::vector<std::string> words{std::istream_iterator<std::string>(line), {}};
        if (!words.empty())
            m_run(words);
    }
    if (m_typed.size() > kLongestLine)
        m_typed.clear();
}

} // namespace matrixctl
