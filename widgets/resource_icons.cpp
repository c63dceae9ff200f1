#include "widgets/resource_icons.h"

#include <mutex>

// Q_INIT_RESOURCE declares a function of the global namespace, so it cannot be used inside ours.
static void registerWidgetIcons() {
    Q_INIT_RESOURCE(widget_icons);
}

namespace widgets {

namespace {
constexpr int kFirstIconId = kApplicationIconId;
constexpr int kLastIconId = kMarkerIconId;
} // namespace

void initResources() {
    static std::once_flag once;
    std::call_once(once, registerWidgetIcons);
}

QString resourceIconPath(int id) {
    if (id < kFirstIconId || id > kLastIconId)
        return {};
    return QStringLiteral(":/widgets/icons/icon_%1.png").arg(id);
}

QPixmap resourcePixmap(int id) {
    initResources();
    const QString path = resourceIconPath(id);
    if (path.isEmpty())
        return {};
    return QPixmap(path);
}

QIcon resourceIcon(int id) {
    const QPixmap pixmap = resourcePixmap(id);
    if (pixmap.isNull())
        return {};
    return QIcon(pixmap);
}

} // namespace widgets
