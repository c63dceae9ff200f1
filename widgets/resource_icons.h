#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace widgets {

// The icon resources both programs use, by their numbers.
inline constexpr int kApplicationIconId = 128;
inline constexpr int kTestIconId = 129;
inline constexpr int kSetupIconId = 130;
inline constexpr int kExitIconId = 131;
inline constexpr int kSpareIconId = 132;
inline constexpr int kMarkerIconId = 133; // also "Scan"

// Registers the icons compiled into this static library. Safe to call any number of times; the
// functions below call it themselves, and the programs call it once at start.
void initResources();

// The resource path of an icon, or an empty string for an id that has no icon.
QString resourceIconPath(int id);

// The icon at its own size; a null pixmap or icon when the id has none or it cannot be read.
QPixmap resourcePixmap(int id);
QIcon resourceIcon(int id);

} // namespace widgets
