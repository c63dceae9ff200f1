// The web panel in Debian's headless Chromium, on a phone's 360 px: a click and the keyboard
// switch matrix-sim, a second page shows each change within a second, and a page asks for the
// token when matrixd has one.
#include "tests/service/headless_chromium.h"
#include "tests/service/matrixd_run.h"

#include <QJsonObject>
#include <gtest/gtest.h>

namespace matrixd_test {
namespace {

using namespace std::chrono_literals;

std::string button(int input, int output, bool joined = false) {
    return "document.querySelector('[aria-label=\"Input " + std::to_string(input) + " to output " +
           std::to_string(output) + (joined ? ", joined" : "") + "\"]')";
}

class PanelAgainstSim : public testing::Test {
protected:
    void SetUp() override {
        if (HeadlessChromium::program().empty())
            GTEST_SKIP() << "chromium is not installed (scripts/build installs it)";
        ASSERT_TRUE(m_sim.Reset(hallDevice())) << m_sim.error();
        m_browser = std::make_unique<HeadlessChromium>(m_dir.file("profile"));
        ASSERT_TRUE(m_browser->started())
            << test_support::TempDir::readFile(m_dir.file("profile.log"));
    }
    void serve(const std::string& server = {}) {
        m_matrixd = std::make_unique<MatrixdRun>(hallConfig(server), m_sim.linkPath());
        ASSERT_TRUE(m_matrixd->ready()) << m_matrixd->output();
    }
    // Where the page is live: its grid drawn with what the device reported, its events open.
    bool live(const std::string& page) {
        return m_browser->waitFor(page,
                                  button(3, 3, true) + " !== null && document.getElementById("
                                                       "'connection').textContent === 'Live'",
                                  20s);
    }

    test_support::TempDir m_dir;
    test_support::SharedMatrixSim m_sim;
    std::unique_ptr<HeadlessChromium> m_browser;
    std::unique_ptr<MatrixdRun> m_matrixd;
};

TEST_F(PanelAgainstSim, AClickSwitchesTheMatrixAndASecondPageShowsIt) {
    serve();
    const std::string phone = m_browser->openPage(m_matrixd->url() + "/", 360, 740);
    const std::string desk = m_browser->openPage(m_matrixd->url() + "/", 1280, 800);
    ASSERT_TRUE(live(phone)) << m_matrixd->output();
    ASSERT_TRUE(live(desk));

    // The crosspoint is scrolled into the phone's view and clicked where it shows.
    const QJsonObject where =
        m_browser
            ->evaluate(phone, "(() => { const b = " + button(3, 5) +
                                  "; b.scrollIntoView({block: 'center', inline: 'center'}); "
                                  "const r = b.getBoundingClientRect(); "
                                  "return {x: r.x + r.width / 2, y: r.y + r.height / 2, "
                                  "width: document.documentElement.scrollWidth}; })()")
            .toObject();
    EXPECT_LE(where.value("width").toDouble(), 360) << "the page itself fits the phone";
    const auto clicked = std::chrono::steady_clock::now();
    m_browser->click(phone, where.value("x").toDouble(), where.value("y").toDouble());
    EXPECT_TRUE(m_sim.WaitForState("crosspoints", "0 1 2 3 2 5 6 7")) << m_sim.Log();
    EXPECT_TRUE(m_browser->waitFor(desk, button(3, 5, true) + " !== null", 1s));
    std::printf(
        "click to the second page's marker: %.0f ms\n",
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - clicked)
            .count());
    EXPECT_TRUE(m_browser->waitFor(desk, button(5, 5) + " !== null", 1s)) << "input 5 left it";

    // The keyboard: from input 1 on output 6 one row down, then Enter.
    m_browser->evaluate(phone, button(1, 6) + ".focus()");
    m_browser->press(phone, "ArrowDown");
    EXPECT_EQ(m_browser->evaluate(phone, "document.activeElement.getAttribute('aria-label')")
                  .toString()
                  .toStdString(),
              "Input 2 to output 6");
    m_browser->press(phone, "Enter");
    EXPECT_TRUE(m_sim.WaitForState("crosspoints", "0 1 2 3 2 1 6 7")) << m_sim.Log();
    EXPECT_TRUE(m_browser->waitFor(desk, button(2, 6, true) + " !== null", 1s));
}

TEST_F(PanelAgainstSim, APageAsksForTheTokenWhenOneIsSet) {
    serve("Token=s3cret-Token");
    const std::string page = m_browser->openPage(m_matrixd->url() + "/", 360, 740);
    ASSERT_TRUE(m_browser->waitFor(page, "!document.getElementById('token-form').hidden", 20s));
    m_browser->evaluate(page, "document.getElementById('token').value = 's3cret-Token'; "
                              "document.getElementById('token-form').requestSubmit()");
    ASSERT_TRUE(live(page));
    EXPECT_TRUE(m_browser->evaluate(page, "document.getElementById('token-form').hidden").toBool());
}

} // namespace
} // namespace matrixd_test
