#include "controller/ui/main_window.h"

#include "controller/ui/traffic_window.h"

namespace controller {

void MainWindow::showTraffic() {
    if (!m_trafficWindow)
        m_trafficWindow = new TrafficWindow(portNamer(), m_prompts, this);
    m_trafficWindow->show();
    m_trafficWindow->raise();
    m_trafficWindow->activateWindow();
}

TrafficWindow* MainWindow::trafficWindow() const {
    // A closed view is on its way to deletion and takes nothing more.
    return m_trafficWindow && m_trafficWindow->isVisible() ? m_trafficWindow.data() : nullptr;
}

std::string MainWindow::trafficLink(ReplySource link, bool sent) const {
    if (link == ReplySource::Serial)
        return m_session.portName();
    if (!sent)
        return m_session.lastDatagramSender();
    const ControllerSettings& settings = m_session.settings();
    return settings.destIp + ":" + std::to_string(settings.destPort & 0xFFFF);
}

void MainWindow::frameSent(std::span<const std::uint8_t> frame, ReplySource link) {
    if (TrafficWindow* view = trafficWindow())
        view->record(TrafficDirection::Sent, trafficLink(link, true), frame);
}

void MainWindow::frameReceived(std::span<const std::uint8_t> frame, ReplySource link) {
    if (TrafficWindow* view = trafficWindow())
        view->record(TrafficDirection::Received, trafficLink(link, false), frame);
}

void MainWindow::bytesDiscarded(std::span<const std::uint8_t> bytes, ReplySource link) {
    if (TrafficWindow* view = trafficWindow())
        view->record(TrafficDirection::Discarded, trafficLink(link, false), bytes);
}

} // namespace controller
