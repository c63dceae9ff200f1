#pragma once

#include <QJsonObject>

#include <chrono>
#include <string>
#include <sys/types.h>

namespace matrixd_test {

// Debian's Chromium without a display, driven over its DevTools pipe (no port is opened for it),
// in a fresh profile folder. Pages are opened on 127.0.0.1 only.
class HeadlessChromium {
public:
    explicit HeadlessChromium(const std::string& profileFolder);
    ~HeadlessChromium();

    // The browser's path; empty when it is not installed.
    static std::string program();
    bool started() const { return m_pid > 0; }

    // Opens `url` in a new page of width × height CSS pixels; its session, or "" on failure.
    std::string openPage(const std::string& url, int width, int height);
    // Runs `expression` in the page (a promise is awaited) and gives its value.
    QJsonValue evaluate(const std::string& session, const std::string& expression);
    // Waits until `expression` is true in the page; false when `timeout` passed first.
    bool waitFor(const std::string& session, const std::string& expression,
                 std::chrono::milliseconds timeout);
    // A mouse click at (x, y) in CSS pixels of the viewport.
    void click(const std::string& session, double x, double y);
    // A key pressed and released: "ArrowDown" or "Enter".
    void press(const std::string& session, const std::string& key);
    // One DevTools command; its result, or an object with "error".
    QJsonObject send(const std::string& method, const QJsonObject& params,
                     const std::string& session = {});

private:
    pid_t m_pid = -1;
    int m_toBrowser = -1;
    int m_fromBrowser = -1;
    int m_nextId = 1;
    std::string m_pending;
};

} // namespace matrixd_test
