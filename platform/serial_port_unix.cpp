#include "platform/serial_port.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <string>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {
namespace {

// How often modem lines and error counters are sampled on devices that have them; they offer
// nothing that poll() could wait on.
constexpr std::chrono::milliseconds kModemSamplePeriod{20};

template <typename Call>
auto retryOnInterrupt(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

// Owns one descriptor; closing twice is impossible and an early return closes it.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Closes now; true when the system reported no error. Not retried on EINTR: Linux has
    // released the descriptor either way.
    bool reset() {
        if (m_fd < 0)
            return false;
        const bool ok = ::close(std::exchange(m_fd, -1)) == 0;
        return ok;
    }

private:
    int m_fd = -1;
};

struct BaudEntry {
    std::uint32_t baud;
    speed_t speed;
};

constexpr std::array kBaudTable{
    BaudEntry{50, B50},           BaudEntry{75, B75},           BaudEntry{110, B110},
    BaudEntry{134, B134},         BaudEntry{150, B150},         BaudEntry{200, B200},
    BaudEntry{300, B300},         BaudEntry{600, B600},         BaudEntry{1200, B1200},
    BaudEntry{1800, B1800},       BaudEntry{2400, B2400},       BaudEntry{4800, B4800},
    BaudEntry{9600, B9600},       BaudEntry{19200, B19200},     BaudEntry{38400, B38400},
    BaudEntry{57600, B57600},     BaudEntry{115200, B115200},   BaudEntry{230400, B230400},
    BaudEntry{460800, B460800},   BaudEntry{500000, B500000},   BaudEntry{576000, B576000},
    BaudEntry{921600, B921600},   BaudEntry{1000000, B1000000}, BaudEntry{1152000, B1152000},
    BaudEntry{1500000, B1500000}, BaudEntry{2000000, B2000000}, BaudEntry{2500000, B2500000},
    BaudEntry{3000000, B3000000}, BaudEntry{3500000, B3500000}, BaudEntry{4000000, B4000000},
};

bool speedFor(std::uint32_t baud, speed_t& speed) {
    for (const auto& entry : kBaudTable) {
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

std::uint32_t baudFor(speed_t speed) {
    for (const auto& entry : kBaudTable) {
        if (entry.speed == speed)
            return entry.baud;
    }
    return 0;
}

// Writes the four line settings into `tio`, leaving every other flag alone. False when one of
// them has no termios equivalent.
bool applyParams(termios& tio, const SerialParams& params) {
    speed_t speed = 0;
    if (!speedFor(params.baud, speed))
        return false;
    tcflag_t size = 0;
    switch (params.dataBits) {
    case 5:
        size = CS5;
        break;
    case 6:
        size = CS6;
        break;
    case 7:
        size = CS7;
        break;
    case 8:
        size = CS8;
        break;
    default:
        return false;
    }
    tcflag_t parity = 0;
    switch (params.parity) {
    case kParityNone:
        parity = 0;
        break;
    case kParityOdd:
        parity = PARENB | PARODD;
        break;
    case kParityEven:
        parity = PARENB;
        break;
    case kParityMark:
        parity = PARENB | PARODD | CMSPAR;
        break;
    case kParitySpace:
        parity = PARENB | CMSPAR;
        break;
    default:
        return false;
    }
    // CSTOPB means 1.5 stop bits with 5 data bits and 2 otherwise.
    const bool twoStop = params.stopBits == kTwoStopBits && params.dataBits != 5;
    const bool oneAndHalf = params.stopBits == kOne5StopBits && params.dataBits == 5;
    if (params.stopBits != kOneStopBit && !twoStop && !oneAndHalf)
        return false;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
        return false;
    tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB)) | size | parity |
                  (twoStop || oneAndHalf ? CSTOPB : 0);
    return true;
}

// A serial port on Windows has no line discipline: bytes pass untouched both ways. Linux starts
// serial devices and pseudo-terminals with XON/XOFF, echo and line editing on, so every input,
// output and local processing flag goes off; otherwise 0x11 and 0x13 from the device would be
// swallowed and a received 0x13 would stop all output. The receiver is switched on and the
// carrier line ignored. Hardware flow control (CRTSCTS), hang-up on close and the line settings
// stay as they are.
void makeRaw(termios& tio) {
    tio.c_iflag = 0;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag |= CREAD | CLOCAL;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
}

// A driver may accept a request in part; these are the flags whose survival matters.
bool isRaw(const termios& tio) {
    return (tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK)) == 0 &&
           (tio.c_oflag & OPOST) == 0 && (tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0;
}

// The name of the group that owns the device node, or "" when it cannot be found.
std::string owningGroup(const std::string& devicePath) {
    struct stat st {};
    if (::stat(devicePath.c_str(), &st) != 0)
        return std::string();
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::string();
    return found->gr_name;
}

SerialOpenResult failure(SerialOpenError error, int systemError, std::string group = {}) {
    SerialOpenResult result;
    result.failure = {error, systemError, std::move(group)};
    return result;
}

// What an operator can do about a failed open() of the device.
SerialOpenResult openFailure(int systemError, const std::string& devicePath) {
    switch (systemError) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
    case EIO: // a port without hardware behind it, or a terminal that has hung up
        return failure(SerialOpenError::NotPresent, systemError);
    case EACCES:
    case EPERM:
        return failure(SerialOpenError::PermissionDenied, systemError, owningGroup(devicePath));
    case EBUSY: // held exclusively (TIOCEXCL) by another program
        return failure(SerialOpenError::InUse, systemError);
    case ENOTTY:
        return failure(SerialOpenError::NotATerminal, systemError);
    default:
        return failure(SerialOpenError::SetupFailed, systemError);
    }
}

LineCounters toCounters(const serial_icounter_struct& raw) {
    return {raw.cts,     raw.dsr,    raw.rng, raw.dcd,        raw.frame,
            raw.overrun, raw.parity, raw.brk, raw.buf_overrun};
}

int toLines(int tiocm) {
    return ((tiocm & TIOCM_CTS) ? kLineCts : 0) | ((tiocm & TIOCM_DSR) ? kLineDsr : 0) |
           ((tiocm & TIOCM_CAR) ? kLineDcd : 0) | ((tiocm & TIOCM_RNG) ? kLineRing : 0);
}

class UnixSerialPort final : public SerialPort {
public:
    UnixSerialPort(UniqueFd fd, UniqueFd epoll) : m_fd(std::move(fd)), m_epoll(std::move(epoll)) {
        serial_icounter_struct counts{};
        int lines = 0;
        if (::ioctl(m_fd.get(), TIOCGICOUNT, &counts) == 0) {
            m_watch = Watch::Counters;
            m_counters = toCounters(counts);
        } else if (::ioctl(m_fd.get(), TIOCMGET, &lines) == 0) {
            m_watch = Watch::Lines;
            m_lines = toLines(lines);
        }
    }

    ~UnixSerialPort() override { close(); }

    bool getParams(SerialParams& out) override {
        termios tio{};
        if (retryOnInterrupt([&] { return ::tcgetattr(m_fd.get(), &tio); }) != 0)
            return false;
        out.baud = baudFor(cfgetospeed(&tio));
        switch (tio.c_cflag & CSIZE) {
        case CS5:
            out.dataBits = 5;
            break;
        case CS6:
            out.dataBits = 6;
            break;
        case CS7:
            out.dataBits = 7;
            break;
        default:
            out.dataBits = 8;
            break;
        }
        if (!(tio.c_cflag & PARENB))
            out.parity = kParityNone;
        else if (tio.c_cflag & CMSPAR)
            out.parity = (tio.c_cflag & PARODD) ? kParityMark : kParitySpace;
        else
            out.parity = (tio.c_cflag & PARODD) ? kParityOdd : kParityEven;
        if (!(tio.c_cflag & CSTOPB))
            out.stopBits = kOneStopBit;
        else
            out.stopBits = out.dataBits == 5 ? kOne5StopBits : kTwoStopBits;
        return true;
    }

    bool setParams(const SerialParams& params) override {
        termios before{};
        if (retryOnInterrupt([&] { return ::tcgetattr(m_fd.get(), &before); }) != 0)
            return false;
        termios wanted = before;
        if (!applyParams(wanted, params))
            return false;
        // tcsetattr succeeds when any part of the request took; read back to be sure all did.
        termios got{};
        const bool ok =
            retryOnInterrupt([&] { return ::tcsetattr(m_fd.get(), TCSANOW, &wanted); }) == 0 &&
            retryOnInterrupt([&] { return ::tcgetattr(m_fd.get(), &got); }) == 0 &&
            cfgetospeed(&got) == cfgetospeed(&wanted) &&
            (got.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB)) ==
                (wanted.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB));
        if (!ok)
            retryOnInterrupt([&] { return ::tcsetattr(m_fd.get(), TCSANOW, &before); });
        return ok;
    }

    bool purge(bool input, bool output) override {
        if (!input && !output)
            return true;
        const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
        return retryOnInterrupt([&] { return ::tcflush(m_fd.get(), which); }) == 0;
    }

    std::size_t bytesQueued() override {
        int queued = 0;
        if (retryOnInterrupt([&] { return ::ioctl(m_fd.get(), FIONREAD, &queued); }) != 0)
            return 0;
        return queued > 0 ? static_cast<std::size_t>(queued) : 0;
    }

    std::ptrdiff_t read(std::uint8_t* buffer, std::size_t count) override {
        if (count == 0)
            return 0;
        const ssize_t n = retryOnInterrupt([&] { return ::read(m_fd.get(), buffer, count); });
        if (n >= 0)
            return n;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }

    std::ptrdiff_t write(const std::uint8_t* bytes, std::size_t count,
                         std::chrono::milliseconds timeout) override {
        // Nothing goes to a device that has gone away.
        if (m_lost.load())
            return -1;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n =
                retryOnInterrupt([&] { return ::write(m_fd.get(), bytes + done, count - done); });
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return done > 0 ? static_cast<std::ptrdiff_t>(done) : -1;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd p{m_fd.get(), POLLOUT, 0};
            const int ready =
                retryOnInterrupt([&] { return ::poll(&p, 1, static_cast<int>(left.count())); });
            if (ready < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
                break;
        }
        return static_cast<std::ptrdiff_t>(done);
    }

    SerialWait waitEvent(std::uint32_t mask, const ManualResetEvent& stop) override {
        for (;;) {
            std::array<pollfd, 2> fds{pollfd{stop.fd(), POLLIN, 0}, pollfd{-1, 0, 0}};
            nfds_t count = 1;
            if (!m_lost)
                fds[count++] = pollfd{m_epoll.get(), POLLIN, 0};
            const bool sampling = m_watch != Watch::None && !m_lost;
            const int timeout = sampling ? static_cast<int>(kModemSamplePeriod.count()) : -1;
            const int ready = ::poll(fds.data(), count, timeout);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || (fds[0].revents & POLLNVAL))
                return {SerialWait::Status::Failed, 0};
            if (fds[0].revents & POLLIN)
                return {SerialWait::Status::Stopped, 0};
            if (count > 1 && (fds[1].revents & (POLLERR | POLLNVAL)))
                return {SerialWait::Status::Failed, 0};

            std::uint32_t events = 0;
            if (count > 1 && (fds[1].revents & POLLIN))
                events |= takeDeviceEvents();
            if (sampling && !m_lost)
                events |= sampleModem();
            events &= mask | serial_event::kDeviceLost;
            if (events != 0)
                return {SerialWait::Status::Events, events};
        }
    }

    bool close() override {
        if (!m_fd)
            return false;
        m_epoll.reset();
        // Exclusive use ends with our use; another descriptor on the same terminal must not
        // keep it locked against everyone else.
        ::ioctl(m_fd.get(), TIOCNXCL);
        return m_fd.reset();
    }

private:
    enum class Watch { None, Counters, Lines };

    // The descriptor is registered edge-triggered, so every arrival of bytes is reported once,
    // even while earlier bytes are still queued, and bytes left unread do not wake us again.
    std::uint32_t takeDeviceEvents() {
        epoll_event ev{};
        if (retryOnInterrupt([&] { return ::epoll_wait(m_epoll.get(), &ev, 1, 0); }) != 1)
            return 0;
        // A hung-up terminal has nothing left to read: its loss is all there is to report.
        if (ev.events & (EPOLLHUP | EPOLLERR))
            return loseDevice();
        return (ev.events & EPOLLIN) && bytesQueued() > 0 ? serial_event::kRxChar : 0;
    }

    std::uint32_t sampleModem() {
        if (m_watch == Watch::Counters) {
            serial_icounter_struct raw{};
            if (::ioctl(m_fd.get(), TIOCGICOUNT, &raw) != 0)
                return loseDevice();
            const LineCounters now = toCounters(raw);
            const std::uint32_t events = eventsFromCounters(m_counters, now);
            m_counters = now;
            return events;
        }
        int raw = 0;
        if (::ioctl(m_fd.get(), TIOCMGET, &raw) != 0)
            return loseDevice();
        const int now = toLines(raw);
        const std::uint32_t events = eventsFromLines(m_lines, now);
        m_lines = now;
        return events;
    }

    // The device hung up or vanished. Report it once, then stop watching it: a hung-up
    // terminal stays readable forever and would otherwise wake every wait at once.
    std::uint32_t loseDevice() {
        if (m_lost.exchange(true))
            return 0;
        ::epoll_ctl(m_epoll.get(), EPOLL_CTL_DEL, m_fd.get(), nullptr);
        return serial_event::kErr | serial_event::kDeviceLost;
    }

    UniqueFd m_fd;
    UniqueFd m_epoll;
    // State of the monitor thread alone.
    Watch m_watch = Watch::None;
    LineCounters m_counters;
    int m_lines = 0;
    // Set by the monitor thread, read by writers too.
    std::atomic<bool> m_lost{false};
};

} // namespace

std::optional<DeviceNode> findDeviceNode(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return DeviceNode{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                      static_cast<std::uint64_t>(st.st_rdev),
                      static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 +
                          st.st_ctim.tv_nsec};
}

SerialOpenResult openSerialPort(const std::string& devicePath) {
    if (devicePath.empty())
        return failure(SerialOpenError::NotPresent, ENOENT);
    UniqueFd fd(retryOnInterrupt(
        [&] { return ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); }));
    if (!fd)
        return openFailure(errno, devicePath);
    if (!::isatty(fd.get()))
        return failure(SerialOpenError::NotATerminal, ENOTTY);
    // TIOCEXCL keeps out other opens, but not a privileged process; the lock also keeps out
    // another instance of this program running with privileges.
    if (::ioctl(fd.get(), TIOCEXCL) != 0)
        return failure(SerialOpenError::SetupFailed, errno);
    auto releaseExclusive = [&] { ::ioctl(fd.get(), TIOCNXCL); };
    if (retryOnInterrupt([&] { return ::flock(fd.get(), LOCK_EX | LOCK_NB); }) != 0) {
        const int error = errno;
        releaseExclusive();
        return error == EWOULDBLOCK ? failure(SerialOpenError::InUse, error)
                                    : failure(SerialOpenError::SetupFailed, error);
    }
    // Each step runs only when the one before succeeded; `error` keeps the first failure's errno
    // (0 when the driver accepted the settings but did not keep them).
    int error = 0;
    auto step = [&](bool ok) {
        if (!ok && error == 0)
            error = errno;
        return ok;
    };
    termios tio{};
    bool ready = step(retryOnInterrupt([&] { return ::tcgetattr(fd.get(), &tio); }) == 0);
    if (ready) {
        makeRaw(tio);
        ready = step(retryOnInterrupt([&] { return ::tcsetattr(fd.get(), TCSANOW, &tio); }) == 0) &&
                step(retryOnInterrupt([&] { return ::tcgetattr(fd.get(), &tio); }) == 0);
        if (ready && !isRaw(tio)) {
            ready = false;
            error = 0;
        }
    }
    UniqueFd epoll(ready ? ::epoll_create1(EPOLL_CLOEXEC) : -1);
    if (ready && step(static_cast<bool>(epoll))) {
        epoll_event ev{};
        ev.events = EPOLLIN | EPOLLET;
        ev.data.fd = fd.get();
        ready = step(::epoll_ctl(epoll.get(), EPOLL_CTL_ADD, fd.get(), &ev) == 0);
    }
    if (!ready || !epoll) {
        releaseExclusive();
        return failure(SerialOpenError::SetupFailed, error);
    }
    SerialOpenResult result;
    result.port = std::make_unique<UnixSerialPort>(std::move(fd), std::move(epoll));
    return result;
}

} // namespace platform
