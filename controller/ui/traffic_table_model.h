#pragma once

#include "controller/protocol/frame_decoder.h"
#include "controller/session/traffic_log.h"

#include <QAbstractTableModel>
#include <QFont>

#include <cstddef>

namespace controller {

// The rows of the traffic view: the frames shown, oldest first, and beside them the frames
// recorded since the last flush. Recording only copies the bytes; a flush moves the waiting
// frames into the rows in one insertion (and one removal at the top when the rows would pass
// the capacity), so that a flood costs the view one update per flush instead of one per frame.
// Words are decoded when a row is drawn, with the names as they are then.
class TrafficTableModel : public QAbstractTableModel {
public:
    enum Column { TimeColumn, DirectionColumn, LinkColumn, BytesColumn, WordsColumn, ColumnCount };

    explicit TrafficTableModel(PortNamer names, std::size_t capacity = TrafficLog::kCapacity,
                               QObject* parent = nullptr);

    // Waits for the next flush; of the waiting frames too only the last `capacity` are kept.
    void record(TrafficEntry entry) { m_waiting.append(std::move(entry)); }
    // Shows the waiting frames; returns how many of the oldest rows made room for them.
    std::size_t flush();
    // Forgets the rows and the waiting frames.
    void clear();

    const TrafficLog& shown() const { return m_shown; }
    std::size_t waiting() const { return m_waiting.size(); }
    const PortNamer& names() const { return m_names; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    PortNamer m_names;
    TrafficLog m_shown;
    TrafficLog m_waiting;
    QFont m_fixedFont;
};

} // namespace controller
