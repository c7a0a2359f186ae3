#include "run/runner.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <ostream>

#include "run/script.h"

namespace dorvane::script {

namespace {

constexpr const char* kUsage =
    "usage: dorvane-run [--quiet] [--site http://HOST:PORT] SCRIPT.dvs [SCRIPT.dvs ...]\n"
    "Runs scenario scripts against a fresh control each, on a virtual clock.\n"
    "  --quiet      print only failures, print statements and the closing line\n"
    "  --site URL   run each script on a fresh site of that dorvane-server\n"
    "Exit status: 0 every script held, 1 an expect failed, 2 a script error.\n";

constexpr const char* kIndent = "        ";

void verdict_line(std::ostream& out, const std::string& name, Verdict v,
                  const RunOptions& options) {
    if (options.quiet) return;
    out << "== " << name << ": "
        << (v == Verdict::Held     ? "held"
            : v == Verdict::Failed ? "FAILED"
                                   : "SCRIPT ERROR")
        << "\n";
}

// A control in this process.
class LocalRunner : public StatementRunner {
  public:
    std::vector<std::string> message_lines() override { return session_.message_lines(); }
    Outcome execute(const Statement& s) override { return session_.execute(s); }

  private:
    Session session_;
};

}  // namespace

Verdict run_script(std::string_view text, const std::string& name, const RunOptions& options,
                   std::ostream& out, const RunnerFactory& open) {
    const bool quiet = options.quiet;
    if (!quiet) out << "== " << name << "\n";
    auto finish = [&](Verdict v) {
        verdict_line(out, name, v, options);
        return v;
    };

    // The whole script is checked before anything runs: a typo on the last
    // line is reported before a long run, not after it.
    std::vector<Statement> statements;
    try {
        statements = parse_script(text);
    } catch (const ScriptError& e) {
        out << name << ":" << e.line() << ": " << e.what() << "\n";
        return finish(Verdict::Broken);
    }

    std::unique_ptr<StatementRunner> runner;
    try {
        runner = open ? open() : std::make_unique<LocalRunner>();
    } catch (const std::exception& e) {
        out << name << ": " << e.what() << "\n";
        return finish(Verdict::Broken);
    }
    StatementRunner& session = *runner;
    if (!quiet)
        for (const std::string& line : session.message_lines())
            out << kIndent << line << "\n";

    for (const Statement& s : statements) {
        const std::string where = name + ":" + std::to_string(s.line) + ": ";
        Outcome o;
        try {
            o = session.execute(s);
        } catch (const ScriptError& e) {
            if (!quiet) out << std::setw(5) << s.line << "  " << s.text << "\n";
            out << name << ":" << e.line() << ": " << e.what() << "\n";
            return finish(Verdict::Broken);
        } catch (const std::exception& e) {
            // Not a range fault: the control itself is broken. Say so plainly.
            if (!quiet) out << std::setw(5) << s.line << "  " << s.text << "\n";
            out << where << "the control failed: " << e.what() << "\n";
            return finish(Verdict::Broken);
        }
        if (!quiet) {
            out << std::setw(5) << s.line << "  " << s.text;
            if (!o.detail.empty()) out << "  -> " << (o.held ? o.detail : "FAILED");
            out << "\n";
            for (const std::string& note : o.notes)
                out << kIndent << note << "\n";
        } else if (s.op == Op::Print) {
            out << where << o.detail << "\n";
        }
        if (!o.held) {
            out << where << o.detail << "\n";
            return finish(Verdict::Failed);
        }
    }
    return finish(Verdict::Held);
}

Verdict run_file(const std::string& path, const RunOptions& options, std::ostream& out,
                 const RunnerFactory& open) {
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
    std::string text;
    if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        out << path << ": cannot read the script"
            << (std::filesystem::exists(path, ec) ? "" : ": no such file") << "\n";
        verdict_line(out, path, Verdict::Broken, options);
        return Verdict::Broken;
    }
    return run_script(text, path, options, out, open);
}

int run_main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const SiteConnector& connect) {
    RunOptions options;
    RunnerFactory open;
    std::vector<std::string> scripts;
    bool options_done = false;
    for (std::size_t n = 0; n < args.size(); ++n) {
        const std::string& a = args[n];
        if (!options_done && a == "--site") {
            if (n + 1 >= args.size() || !connect) {
                err << "dorvane-run: "
                    << (connect ? "--site wants http://HOST:PORT"
                                : "this build cannot reach a site server")
                    << "\n"
                    << kUsage;
                return 2;
            }
            open = connect(args[++n]);
        } else if (!options_done && a == "--quiet") {
            options.quiet = true;
        } else if (!options_done && (a == "--help" || a == "-h")) {
            out << kUsage;
            return 0;
        } else if (!options_done && a == "--") {
            options_done = true;
        } else if (!options_done && a.size() > 1 && a[0] == '-') {
            err << "dorvane-run: unknown option " << a << "\n" << kUsage;
            return 2;
        } else {
            scripts.push_back(a);
        }
    }
    if (scripts.empty()) {
        err << "dorvane-run: no script given\n" << kUsage;
        return 2;
    }

    int worst = 0, passed = 0, failed = 0;
    for (std::size_t n = 0; n < scripts.size(); ++n) {
        if (n > 0 && !options.quiet) out << "\n";
        Verdict v = run_file(scripts[n], options, out, open);
        (v == Verdict::Held ? passed : failed)++;
        worst = std::max(worst, static_cast<int>(v));
    }
    out << passed << " passed, " << failed << " failed\n";
    out.flush();
    return worst;
}

}  // namespace dorvane::script
