// Recording through the C interface: a session driven by C calls replays
// with dorvane-run and fails where an expectation is edited; a host killed
// mid-session leaves a script that replays; DORVANE_RECORD records with no
// call at all; a path that cannot be written is one clear error.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dorvane.h"

namespace {

namespace fs = std::filesystem;

// A clock the test moves: one second before every tick, as the replay does.
struct Clock {
    dorvane_datetime t{2026, 12, 5, 6, 10, 0};
    static void now(void* user, dorvane_datetime* out) { *out = static_cast<Clock*>(user)->t; }
    void second() {
        if (++t.second == 60) {
            t.second = 0;
            ++t.minute;
        }
    }
};

struct Ran {
    int status;
    std::string out;
};

Ran run_program(const std::string& script) {
    const std::string command = std::string(DORVANE_RUN_PROGRAM) + " --quiet '" + script + "' 2>&1";
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) throw std::runtime_error("cannot start " + command);
    std::string out;
    std::array<char, 4096> buf{};
    for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;)
        out.append(buf.data(), n);
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string read_text(const fs::path& p) {
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "dorvane-rec-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TempDir() { fs::remove_all(path); }
};

struct Host {
    Clock clock;
    dorvane_platform platform{&Clock::now, nullptr, &clock};
    dorvane_ctl* ctl = nullptr;
    Host() {
        if (dorvane_create(&platform, &ctl) != DORVANE_OK) throw std::runtime_error("create");
    }
    ~Host() { dorvane_destroy(ctl); }
    void ticks(int n) {
        for (int k = 0; k < n; ++k) {
            clock.second();
            ASSERT_EQ(dorvane_tick(ctl, 1), DORVANE_OK);
        }
    }
    // A postpay sale on pump 5, with a fault, a direct write and a by-reference
    // argument along the way, the way a POS written in C drives it.
    void sale() {
        ASSERT_EQ(dorvane_Terminal_Opened(ctl, 44, 81, 129), DORVANE_OK);
        ASSERT_EQ(dorvane_click(ctl, "Pump", 4), DORVANE_OK);
        ASSERT_EQ(dorvane_click(ctl, "Message1", -1), DORVANE_OK);
        ASSERT_EQ(dorvane_click(ctl, "SimPump", 4), DORVANE_OK);
        ASSERT_EQ(dorvane_click(ctl, "Hook", -1), DORVANE_OK);
        ticks(5);
        ASSERT_EQ(dorvane_click(ctl, "Pump", 4), DORVANE_OK);
        ASSERT_EQ(dorvane_click(ctl, "Pump", 4), DORVANE_OK);
        ASSERT_EQ(dorvane_click(ctl, "PumpGas", -1), DORVANE_OK);
        ASSERT_EQ(dorvane_enter_purchase(ctl, "20"), DORVANE_OK);
        ticks(40);
        ASSERT_EQ(dorvane_set_Tender_ID(ctl, 3), DORVANE_OK);
        dorvane_value wide[] = {{DORVANE_LONG, {.long_value = 40000}}};
        int finalized = -1;
        ASSERT_EQ(dorvane_find_method("Transaction_Finalized", &finalized), DORVANE_OK);
        ASSERT_EQ(dorvane_invoke(ctl, finalized, wide, 1, nullptr), DORVANE_E_OVERFLOW);
        int16_t pump = 4;
        dorvane_bool result = 0;
        ASSERT_EQ(dorvane_Reset_Fuel_Pump(ctl, &pump, &result), DORVANE_OK);
        dorvane_bool waiting = 0;
        ASSERT_EQ(dorvane_Poll_Fuel_Itemization(ctl, &waiting), DORVANE_OK);
    }
};

bool has_line(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(capi_record, a_c_session_replays_and_an_edited_expectation_fails_at_its_line) {
    TempDir dir;
    const std::string path = (dir.path / "session.dvs").string();
    {
        Host h;
        ASSERT_EQ(dorvane_record_start(h.ctl, path.c_str(), 0), DORVANE_OK);
        h.sale();
        ASSERT_EQ(dorvane_record_stop(h.ctl), DORVANE_OK);
    }
    const std::string text = read_text(path);
    for (const char* line : {"clock 2026-12-05 06:10:00", "call Terminal_Opened 44 81 129",
                             "click SimPump(4)", "enter Purchase \"20\"", "set Tender_ID 3",
                             "call Transaction_Finalized 40000", "expect error = overflow",
                             "expect arg 1 = 4", "call Poll_Fuel_Itemization", "expect beeps = 4"})
        EXPECT_TRUE(has_line(text, line)) << line << " missing from\n" << text;
    const Ran held = run_program(path);
    EXPECT_EQ(held.status, 0) << held.out << text;

    // A later version that beeps once more fails at that line.
    const std::string wanted = "\nexpect beeps = 4\n";
    const std::size_t at = text.find(wanted);
    ASSERT_NE(at, std::string::npos);
    const long line = std::count(text.begin(), text.begin() + static_cast<long>(at) + 1, '\n') + 1;
    std::string edited = text;
    edited.replace(at, wanted.size(), "\nexpect beeps = 5\n");
    std::ofstream(path) << edited;
    const Ran failed = run_program(path);
    EXPECT_EQ(failed.status, 1) << failed.out;
    EXPECT_NE(failed.out.find("session.dvs:" + std::to_string(line) + ": expect beeps"),
              std::string::npos)
        << failed.out;
}

TEST(capi_record, flags_choose_the_expectations) {
    TempDir dir;
    const std::string path = (dir.path / "plain.dvs").string();
    Host h;
    EXPECT_EQ(dorvane_record_start(h.ctl, path.c_str(), 8), DORVANE_E_TYPE);
    EXPECT_NE(std::string(dorvane_last_error(h.ctl)).find("flags"), std::string::npos);
    ASSERT_EQ(dorvane_record_start(h.ctl, path.c_str(), DORVANE_RECORD_NO_EXPECTATIONS),
              DORVANE_OK);
    h.sale();
    ASSERT_EQ(dorvane_record_stop(h.ctl), DORVANE_OK);
    const std::string text = read_text(path);
    EXPECT_EQ(text.find("\nexpect "), std::string::npos) << text;
    EXPECT_TRUE(has_line(text, "click PumpGas")) << text;
    EXPECT_EQ(run_program(path).status, 0);
}

TEST(capi_record, an_unwritable_path_is_one_clear_error_and_the_control_works_on) {
    Host h;
    const std::string path = "/nonexistent-folder/session.dvs";
    ASSERT_EQ(dorvane_record_start(h.ctl, path.c_str(), 0), DORVANE_E_FAILED);
    const std::string error = dorvane_last_error(h.ctl);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_EQ(dorvane_Terminal_Opened(h.ctl, 44, 81, 129), DORVANE_OK);
    EXPECT_EQ(dorvane_click(h.ctl, "Pump", 4), DORVANE_OK);
    EXPECT_EQ(dorvane_record_stop(h.ctl), DORVANE_OK);  // nothing was recording
    EXPECT_EQ(dorvane_record_start(nullptr, path.c_str(), 0), DORVANE_E_NULL);
    EXPECT_EQ(dorvane_record_start(h.ctl, nullptr, 0), DORVANE_E_NULL);
}

// The host is killed with SIGKILL after its last event: what it recorded up
// to there replays and holds.
TEST(capi_record, a_host_killed_mid_session_leaves_a_script_that_replays) {
    TempDir dir;
    const std::string path = (dir.path / "killed.dvs").string();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        Host h;
        if (dorvane_record_start(h.ctl, path.c_str(), 0) != DORVANE_OK) _exit(3);
        h.sale();
        dorvane_click(h.ctl, "Finalize", -1);
        const char done = 'x';
        if (write(ready[1], &done, 1) != 1) _exit(4);
        for (;;)
            pause();  // killed here, in the middle of its session
    }
    close(ready[1]);
    char done = 0;
    ASSERT_EQ(read(ready[0], &done, 1), 1) << "the host process ended before its last event";
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::string text = read_text(path);
    EXPECT_TRUE(has_line(text, "click Finalize")) << text;
    const Ran r = run_program(path);
    EXPECT_EQ(r.status, 0) << r.out << text;
}

// DORVANE_RECORD=DIR: each control created records into a file of its own.
TEST(capi_record, the_environment_variable_records_every_control_created) {
    TempDir dir;
    ASSERT_EQ(setenv("DORVANE_RECORD", dir.path.c_str(), 1), 0);
    {
        Host first;
        Host second;
        unsetenv("DORVANE_RECORD");
        first.sale();
        ASSERT_EQ(dorvane_Terminal_Opened(second.ctl, 1, 2, 3), DORVANE_OK);
    }
    std::vector<fs::path> files;
    for (const auto& f : fs::directory_iterator(dir.path))
        files.push_back(f.path());
    ASSERT_EQ(files.size(), 2u);
    for (const fs::path& f : files) {
        EXPECT_EQ(f.filename().string().rfind("dorvane-", 0), 0u) << f;
        EXPECT_EQ(f.extension(), ".dvs");
        const Ran r = run_program(f.string());
        EXPECT_EQ(r.status, 0) << r.out;
    }
}

TEST(capi_record, an_unwritable_record_folder_leaves_the_control_working) {
    ASSERT_EQ(setenv("DORVANE_RECORD", "/nonexistent-folder", 1), 0);
    dorvane_ctl* ctl = nullptr;
    const int status = dorvane_create(nullptr, &ctl);
    unsetenv("DORVANE_RECORD");
    ASSERT_EQ(status, DORVANE_OK);
    EXPECT_EQ(dorvane_Terminal_Opened(ctl, 44, 81, 129), DORVANE_OK);
    EXPECT_EQ(dorvane_record_stop(ctl), DORVANE_OK);
    dorvane_destroy(ctl);
}

}  // namespace
