// The scenario runner behind `dorvane-run`: runs scripts, each against a
// fresh control, writes the transcript and tells how each script ended.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dorvane::script {

// How a script ended; the value is its exit status.
enum class Verdict : int {
    Held = 0,    // every expect held
    Failed = 1,  // an expect failed; the script stopped there
    Broken = 2,  // unreadable, or a statement the language does not know
};

struct Outcome;
struct Statement;

// Where a script's statements run: a Session in this process, or a site on a
// dorvane-server. Both give the same outcomes.
class StatementRunner {
  public:
    virtual ~StatementRunner() = default;
    // The message lines as they stand, as `expect` lines.
    virtual std::vector<std::string> message_lines() = 0;
    virtual Outcome execute(const Statement& s) = 0;
};

// Makes a fresh runner for each script; throws std::runtime_error when it cannot.
using RunnerFactory = std::function<std::unique_ptr<StatementRunner>()>;

struct RunOptions {
    bool quiet = false;  // only failures, print output and the closing line
};

// For `--site URL`: the runner factory of a server (empty when this program
// cannot reach servers).
using SiteConnector = std::function<RunnerFactory(const std::string& url)>;

// Runs the text of one script, naming it `name` in messages ("name:line: ...").
// `open` makes where the statements run; empty, a Session in this process.
Verdict run_script(std::string_view text, const std::string& name, const RunOptions& options,
                   std::ostream& out, const RunnerFactory& open = {});
// Reads and runs one script file; an unreadable file is Broken.
Verdict run_file(const std::string& path, const RunOptions& options, std::ostream& out,
                 const RunnerFactory& open = {});

// The whole program on its arguments (without the program name): every
// script in turn, then the closing line "N passed, N failed". Returns the
// exit status, the worst verdict (2 also for a bad command line).
int run_main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const SiteConnector& connect = {});

}  // namespace dorvane::script
