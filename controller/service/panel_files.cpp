#include "controller/service/panel_files.h"

#include <QFile>

#include <array>

// Resources of a static library are registered by hand; outside any namespace, as Qt asks.
static void registerPanelResource() {
    Q_INIT_RESOURCE(panel);
}

namespace matrixd {

namespace {

struct Entry {
    std::string_view path;
    const char* resource;
    const char* mimeType;
};

constexpr std::array<Entry, 3> kFiles{{
    {"/", ":/panel/index.html", "text/html; charset=utf-8"},
    {"/panel.js", ":/panel/panel.js", "text/javascript; charset=utf-8"},
    {"/panel.css", ":/panel/panel.css", "text/css; charset=utf-8"},
}};

} // namespace

std::optional<PanelFile> panelFile(std::string_view path) {
    static const bool registered = (registerPanelResource(), true);
    (void)registered;
    for (const Entry& entry : kFiles) {
        if (entry.path != path)
            continue;
        QFile file(QString::fromLatin1(entry.resource));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return PanelFile{file.readAll(), entry.mimeType};
    }
    return std::nullopt;
}

} // namespace matrixd
