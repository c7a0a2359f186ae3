// Recording through the Qt view: what the tester does on the panel and the
// host does through the widget replays with the runner; a path that cannot be
// written is one signal and the panel works on; DORVANE_RECORD records every
// control the widget creates.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QSignalSpy>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dorvane/qt/dorvane_widget.h"
#include "run/recorder.h"
#include "run/runner.h"

namespace dorvane::qt {
namespace {

namespace fs = std::filesystem;

constexpr LocalDateTime kMorning{2026, 12, 5, 6, 10, 0};

std::string read_text(const fs::path& p) {
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

script::Verdict replay(const std::string& text, std::string& out) {
    std::ostringstream o;
    const auto v = script::run_script(text, "widget.dvs", {true}, o);
    out = o.str();
    return v;
}

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "dorvane-qt-rec-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TempDir() { fs::remove_all(path); }
};

struct RecordFixture : ::testing::Test {
    VirtualPlatform platform;
    TempDir dir;
    RecordFixture() { platform.set_clock(kMorning); }

    // The tester plays the customer at pump 5, the host opens the terminal
    // and rings the sale up through the widget.
    static void session(DorvaneWidget& view, VirtualPlatform& clock) {
        Variant opened[] = {Variant::integer(44), Variant::integer(81), Variant::integer(129)};
        view.call("Terminal_Opened", opened);
        view.click(W::Pump, 4);
        view.click(W::Message1);
        view.click(W::SimPump, 4);
        view.click(W::Hook);
        for (int n = 0; n < 6; ++n) {
            clock.advance_seconds(1);
            view.tick();
        }
        view.click(W::Pump, 4);
        view.click(W::Pump, 4);
        view.click(W::PumpGas);
        view.enter_purchase(QStringLiteral("20"));
        view.set_property("Tender_ID", Variant::integer(2));
        view.control().POS_Entry_ID = 9;  // straight to the member
    }
};

TEST_F(RecordFixture, a_session_on_the_panel_replays_with_the_runner) {
    DorvaneWidget view{platform, DorvaneWidget::Ticks::Manual};
    const fs::path path = dir.path / "panel.dvs";
    ASSERT_TRUE(view.record_to(QString::fromStdString(path.string())));
    EXPECT_TRUE(view.is_recording());
    session(view, platform);
    view.stop_recording();
    EXPECT_FALSE(view.is_recording());
    const std::string text = read_text(path);
    for (const char* line : {"click Hook", "enter Purchase \"20\"", "set Tender_ID 2",
                             "set POS_Entry_ID 9", "expect Purchase.text = \"20.00\""})
        EXPECT_NE(text.find(std::string("\n") + line + "\n"), std::string::npos)
            << line << " missing from\n"
            << text;
    std::string out;
    EXPECT_EQ(replay(text, out), script::Verdict::Held) << out << text;
}

TEST_F(RecordFixture, an_unwritable_path_is_one_signal_and_the_panel_works_on) {
    DorvaneWidget view{platform, DorvaneWidget::Ticks::Manual};
    QSignalSpy failed(&view, &DorvaneWidget::recordingFailed);
    const QString path = QStringLiteral("/nonexistent-folder/panel.dvs");
    EXPECT_FALSE(view.record_to(path));
    EXPECT_FALSE(view.is_recording());
    ASSERT_EQ(failed.count(), 1);
    EXPECT_TRUE(failed.at(0).at(0).toString().contains(path));
    EXPECT_TRUE(view.recording_error().contains(path));
    session(view, platform);
    EXPECT_EQ(view.control().panel()(W::Purchase).caption, "20.00");
    EXPECT_EQ(failed.count(), 1);
}

// DORVANE_RECORD=DIR: a widget with a control of its own records it, and a
// restarted control gets a file of its own; a mirrored one is someone else's.
TEST_F(RecordFixture, the_environment_variable_records_each_control_the_widget_creates) {
    ASSERT_EQ(setenv("DORVANE_RECORD", dir.path.c_str(), 1), 0);
    {
        DorvaneWidget view{platform, DorvaneWidget::Ticks::Manual};
        EXPECT_TRUE(view.is_recording());
        session(view, platform);
        view.restart(platform);
        EXPECT_TRUE(view.is_recording());
        VirtualPlatform other;
        DorvaneCtl elsewhere(other);
        view.mirror(elsewhere);
        EXPECT_FALSE(view.is_recording());
    }
    unsetenv("DORVANE_RECORD");
    std::vector<fs::path> files;
    for (const auto& f : fs::directory_iterator(dir.path))
        files.push_back(f.path());
    ASSERT_EQ(files.size(), 2u);
    for (const fs::path& f : files) {
        std::string out;
        EXPECT_EQ(replay(read_text(f), out), script::Verdict::Held) << f << out;
    }
}

}  // namespace
}  // namespace dorvane::qt
