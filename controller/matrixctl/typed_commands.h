#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class QSocketNotifier;

namespace matrixctl {

// Commands typed on monitor's input while it watches: read whenever the event loop finds bytes
// waiting, split into lines and words, each line with words handed to `run`. An interrupted or
// empty read is tried again at the next notice; the end of the input, or an input that cannot
// be read (said on `err`), ends the commands and not the watch.
class TypedCommands {
public:
    using Run = std::function<void(const std::vector<std::string>& words)>;

    TypedCommands(int fd, std::ostream& err, Run run);
    ~TypedCommands();
    TypedCommands(const TypedCommands&) = delete;
    TypedCommands& operator=(const TypedCommands&) = delete;

private:
    void read();

    int m_fd;
    std::ostream& m_err;
    Run m_run;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::string m_typed;
};

} // namespace matrixctl
