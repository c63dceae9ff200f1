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

void MainWindow::frameSent(std::span<const std::uint8_t> frame, const LinkInfo& link) {
    if (TrafficWindow* view = trafficWindow())
        view->record(TrafficDirection::Sent, link.name, frame);
}

void MainWindow::frameReceived(std::span<const std::uint8_t> frame, const LinkInfo& link) {
    if (TrafficWindow* view = trafficWindow())
        view->record(TrafficDirection::Received, link.name, frame);
}

void MainWindow::bytesDiscarded(std::span<const std::uint8_t> bytes, const LinkInfo& link) {
    if (TrafficWindow* view = trafficWindow())
        view->record(TrafficDirection::Discarded, link.name, bytes);
}

} // namespace controller
