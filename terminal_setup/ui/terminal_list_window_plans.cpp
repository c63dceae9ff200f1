// The list window's configuration plans: read the file, preview, apply, show each row's result,
// scan again.

#include "platform/whole_file.h"
#include "terminal_setup/session/plan_check.h"
#include "terminal_setup/session/terminal_plan.h"
#include "terminal_setup/ui/terminal_list_window.h"

namespace terminal_setup {

void TerminalListWindow::onApplyPlan() {
    if (!m_choosePlanFile || m_discovery.planRunning())
        return;
    const std::optional<std::string> path = m_choosePlanFile(this);
    if (!path)
        return;
    std::string bytes;
    if (platform::readWholeFile(*path, bytes) != platform::FileReadResult::Ok) {
        m_prompts.show(platform::Prompt::box(kProgramName, "Cannot read " + *path + ".",
                                             platform::PromptIcon::Exclamation));
        return;
    }
    // Held against the list as it stands after the file dialog: reports kept arriving meanwhile.
    const CheckedPlan plan = checkPlan(readPlan(bytes), listedTerminals());
    PlanDialog dialog(
        *path, plan, [this, plan] { m_discovery.applyPlan(plan); }, this);
    m_planDialog = &dialog;
    if (m_runPlanDialog)
        m_runPlanDialog(dialog);
    m_planDialog = nullptr;
    // Closing the preview while the plan runs stops it: its results could be seen nowhere.
    m_discovery.stopPlan();
}

void TerminalListWindow::planRowFinished(const PlanRowResult& result) {
    if (m_planDialog)
        m_planDialog->showResult(result);
}

void TerminalListWindow::planFinished() {
    if (m_planDialog)
        m_planDialog->showFinished();
    startScan();
}

} // namespace terminal_setup
