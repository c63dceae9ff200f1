#pragma once

#include <QByteArray>

#include <optional>
#include <string_view>

namespace matrixd {

// The web panel's own files, built into the program as a Qt resource. Only the paths of this
// fixed list are ever served: nothing is looked up on disk.
struct PanelFile {
    QByteArray contents;
    QByteArray mimeType;
};

// The file at a request's path ("/", "/panel.js", "/panel.css"); nullopt for any other path.
std::optional<PanelFile> panelFile(std::string_view path);

} // namespace matrixd
