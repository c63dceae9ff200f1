#pragma once

#include "terminal_setup/session/plan_check.h"

#include <QDialog>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QTableWidget;

namespace terminal_setup {

// Asks for the plan to open with an open dialog ("CSV (*.csv)"). Nothing when cancelled.
std::optional<std::string> askPlanFile(QWidget* parent);

// The preview of a configuration plan, and then its results: one line per row of the plan with
// its MAC, whether the terminal is listed, each change ("ip 192.0.2.20 → 192.0.2.31") and, once
// applied, what became of it. A plan that failed its checks lists every fault, and "Apply" stays
// disabled: nothing can be sent.
//
// Controls by objectName: planSummary (what the plan holds, then how it went), planTable (the
// columns "Row", "MAC", "Terminal", "Changes", "Result"), planFaults (shown only for a plan with
// faults), applyButton "Apply", closeButton "Close".
class PlanDialog : public QDialog {
    Q_OBJECT

public:
    // `apply` starts the plan; the owner then hands each row's result to showResult() and the
    // end to showFinished().
    PlanDialog(const std::string& path, const CheckedPlan& plan, std::function<void()> apply,
               QWidget* parent = nullptr);

    // "Apply": the button's handler, public so that tests can press it without a mouse.
    void onApply();
    void showResult(const PlanRowResult& result);
    void showFinished();

    bool applying() const { return m_applying; }

private:
    void fillTable(const CheckedPlan& plan);

    const std::function<void()> m_apply;
    std::map<std::size_t, int> m_tableRowOf; // the plan's row numbers to the table's rows
    bool m_applying = false;
    int m_confirmed = 0;
    int m_failed = 0;
    int m_notFound = 0;

    QLabel* m_summary = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_faults = nullptr;
    QPushButton* m_applyButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};

} // namespace terminal_setup
