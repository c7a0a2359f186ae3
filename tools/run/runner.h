// The scenario runner behind `dorvane-run`: runs scripts, each against a
// fresh control, writes the transcript and tells how each script ended.
#pragma once

#include <iosfwd>
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

struct RunOptions {
    bool quiet = false;  // only failures, print output and the closing line
};

// Runs the text of one script, naming it `name` in messages ("name:line: ...").
Verdict run_script(std::string_view text, const std::string& name, const RunOptions& options,
                   std::ostream& out);
// Reads and runs one script file; an unreadable file is Broken.
Verdict run_file(const std::string& path, const RunOptions& options, std::ostream& out);

// The whole program on its arguments (without the program name): every
// script in turn, then the closing line "N passed, N failed". Returns the
// exit status, the worst verdict (2 also for a bad command line).
int run_main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace dorvane::script
