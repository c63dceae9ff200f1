#pragma once

#include "controller/ui/grid_layout.h"

#include <QWidget>

#include <functional>

namespace controller {

// The crosspoint grid's one place in the Tab order: a widget laid over the grid frame, letting
// the mouse through, that keeps a cursor on one crosspoint. Up and Down move it over the inputs
// (rows), Left and Right over the outputs (columns), Home and End to the first and last input;
// Enter, Return or Space ask for the switch a click on that crosspoint makes. It frames its
// crosspoint once the keyboard is used on it (Tab into the grid, any of these keys) and until it
// loses the focus; before that, Enter or Space only shows it. Its accessible name says which input
// and output the crosspoint joins and whether they are joined now, as the owner's query answers.
// objectName "crosspointCursor".
class CrosspointCursor : public QWidget {
    Q_OBJECT

public:
    using JoinedQuery = std::function<bool(int output, int input)>;

    CrosspointCursor(JoinedQuery joined, QWidget* parent);

    // The grid to move over, in the parent's coordinates. The cursor keeps its place when the
    // new grid has it, and goes to the first crosspoint otherwise.
    void setGrid(const GridLayout& layout);
    // Puts the cursor on a crosspoint of the grid (where a click switched, for instance).
    void moveTo(int output, int input);
    // Says again whether the crosspoint is joined: call after markers moved.
    void refresh();

    int output() const { return m_output; }
    int input() const { return m_input; }

signals:
    void switchRequested(int output, int input);
    void moved(int output, int input);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void updateName();
    void setCursorShown(bool shown);
    QRect cursorRect() const;

    JoinedQuery m_joined;
    GridLayout m_layout;
    int m_output = 0;
    int m_input = 0;
    bool m_shown = false;
};

} // namespace controller
