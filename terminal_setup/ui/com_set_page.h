#pragma once

#include "terminal_setup/ui/setup_page_values.h"

#include <QWidget>

class QComboBox;

namespace terminal_setup {

// "COM Set": the baud rate of the terminal's serial line.
//
// Controls by objectName: baudCombo "Baud:" in "Serial Configuration", 13 entries from "110" to
// "115200", the position being the value.
class ComSetPage : public QWidget {
    Q_OBJECT

public:
    // Selects the start's baud index; an index outside the list leaves no selection.
    explicit ComSetPage(const ComSetValues& start, QWidget* parent = nullptr);

    void collect();
    const ComSetValues& values() const { return m_values; }

private:
    void onBaudChosen(int position);

    ComSetValues m_values;
    QComboBox* m_baud = nullptr;
};

} // namespace terminal_setup
