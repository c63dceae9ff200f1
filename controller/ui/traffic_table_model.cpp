#include "controller/ui/traffic_table_model.h"

#include <QFontDatabase>

#include <algorithm>

namespace controller {

TrafficTableModel::TrafficTableModel(PortNamer names, std::size_t capacity, QObject* parent)
    : QAbstractTableModel(parent), m_names(std::move(names)), m_shown(capacity),
      m_waiting(capacity), m_fixedFont(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {}

std::size_t TrafficTableModel::flush() {
    const std::size_t incoming = m_waiting.size();
    if (incoming == 0)
        return 0;
    const std::size_t room = m_shown.capacity() - m_shown.size();
    const std::size_t removed = incoming > room ? std::min(incoming - room, m_shown.size()) : 0;
    if (removed > 0) {
        beginRemoveRows({}, 0, static_cast<int>(removed) - 1);
        m_shown.dropOldest(removed);
        endRemoveRows();
    }
    const int first = static_cast<int>(m_shown.size());
    beginInsertRows({}, first, first + static_cast<int>(incoming) - 1);
    for (std::size_t i = 0; i < incoming; ++i)
        m_shown.append(m_waiting[i]);
    m_waiting.clear();
    endInsertRows();
    return removed;
}

void TrafficTableModel::clear() {
    beginResetModel();
    m_shown.clear();
    m_waiting.clear();
    endResetModel();
}

int TrafficTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int TrafficTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 ||
        static_cast<std::size_t>(index.row()) >= m_shown.size())
        return {};
    const TrafficEntry& entry = m_shown[static_cast<std::size_t>(index.row())];
    if (role == Qt::FontRole && index.column() == BytesColumn)
        return m_fixedFont;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case TimeColumn:
        return QString::fromStdString(trafficClock(entry.when, role == Qt::ToolTipRole));
    case DirectionColumn:
        return QString::fromLatin1(trafficDirectionTag(entry.direction));
    case LinkColumn:
        return QString::fromStdString(entry.link);
    case BytesColumn:
        return QString::fromStdString(hexBytes(entry.bytes));
    case WordsColumn:
        return QString::fromStdString(trafficWords(entry.direction, entry.bytes, m_names));
    default:
        return {};
    }
}

QVariant TrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TimeColumn:
        return QStringLiteral("Time");
    case DirectionColumn:
        return QStringLiteral("Dir");
    case LinkColumn:
        return QStringLiteral("Link");
    case BytesColumn:
        return QStringLiteral("Bytes");
    case WordsColumn:
        return QStringLiteral("Words");
    default:
        return {};
    }
}

} // namespace controller
