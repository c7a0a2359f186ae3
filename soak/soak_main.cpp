// dorvane-soak: the seeded soak driver, and the tools around it.
//
//   dorvane-soak [--seed S] [--seeds N] [--steps N | --minutes M] [--walk N] [--out DIR]
//       random walks from seeds S..S+N-1, N steps in all (or for M minutes);
//       a finding is written to DIR as a scenario script; exit 1 if any.
//   dorvane-soak --seed S --dump-walk W
//       walk W of seed S as a scenario script.
//   dorvane-soak --replay FILE.dvs ...
//       replays scripts with every check on and prints their ledgers.
//   dorvane-soak --cases FILE.dvs ...
//       the documented money cases: each must pass every check and must
//       reach a documented case of the ledger.
//   dorvane-soak --make-corpus OUTDIR FILE_OR_DIR ...
//       turns scenario scripts into fuzz inputs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "dorvane/forecourt/members.h"
#include "soak.h"

namespace fs = std::filesystem;
using namespace dorvane;
using namespace dorvane::soak;

namespace {

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Every third walk is the tester's and the timer's alone.
Mode walk_mode(long long walk) {
    return Mode{walk % 3 != 2};
}

void add(Ledger& to, const Ledger& l) {
    to.flowed += l.flowed;
    to.finalized += l.finalized;
    to.prepay_used += l.prepay_used;
    to.autopay_paid += l.autopay_paid;
    to.limit_cut += l.limit_cut;
    to.limit_cut_events += l.limit_cut_events;
    to.sales_stored += l.sales_stored;
    to.sales_rung_up += l.sales_rung_up;
    to.prepays_rung_up += l.prepays_rung_up;
}

void print_ledger(const Ledger& l) {
    std::printf(
        "  ledger (cents): flowed %lld, finalized %lld, prepays used %lld, autopay paid %lld\n"
        "  documented case: cut at a flow tick %lld cents in %lld ticks\n"
        "  reached: %lld sales stored, %lld sales rung up, %lld prepays rung up\n",
        l.flowed, l.finalized, l.prepay_used, l.autopay_paid, l.limit_cut, l.limit_cut_events,
        l.sales_stored, l.sales_rung_up, l.prepays_rung_up);
}

std::vector<fs::path> scripts_in(const std::vector<std::string>& args) {
    std::vector<fs::path> out;
    for (const std::string& a : args) {
        if (fs::is_directory(a)) {
            for (const auto& e : fs::recursive_directory_iterator(a))
                if (e.is_regular_file() && e.path().extension() == ".dvs") out.push_back(e.path());
        } else {
            out.push_back(a);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The text of a script file; nothing when it cannot be read.
std::optional<std::string> read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return text;
}

// A script file read for the soak. An unreadable file or a line the language
// does not know is reported as the scenario runner reports it, and the file
// counts as bad.
std::optional<Script> read_script_file(const fs::path& path) {
    const std::optional<std::string> text = read_text(path);
    if (!text) {
        std::printf("%s: cannot read the script\n", path.string().c_str());
        return std::nullopt;
    }
    try {
        return read_script(*text);
    } catch (const script::ScriptError& e) {
        std::printf("%s:%d: %s\n", path.string().c_str(), e.line(), e.what());
        return std::nullopt;
    }
}

// The ledger case a case script names in its header: "# Ledger: limit-cut."
std::string named_case(const fs::path& path) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find("Ledger: ");
        if (line.rfind("#", 0) == 0 && at != std::string::npos) {
            std::string c = line.substr(at + 8);
            while (!c.empty() && (c.back() == '.' || c.back() == ' '))
                c.pop_back();
            return c;
        }
    }
    return "";
}

int replay_scripts(const std::vector<std::string>& args, bool cases) {
    int bad = 0;
    for (const fs::path& p : scripts_in(args)) {
        const std::string name = p.string();
        const std::optional<Script> script = read_script_file(p);
        if (!script) {
            ++bad;
            continue;
        }
        ScriptReplay r;
        try {
            r = replay_script(*script, script_mode(script->actions));
        } catch (const script::ScriptError& e) {
            std::printf("%s:%d: %s\n", name.c_str(), e.line(), e.what());
            ++bad;
            continue;
        }
        for (const FailedExpect& f : r.failed)
            std::printf("%s:%d: %s\n", name.c_str(), f.line, f.detail.c_str());
        const std::optional<Violation>& v = r.violation;
        std::printf("%s: %d expects checked, %zu failed, %s\n", name.c_str(), r.expects,
                    r.failed.size(),
                    v ? ("violated (" + v->check + "): " + v->detail).c_str() : "every check held");
        const Ledger& l = r.ledger;
        print_ledger(l);
        if (v || !r.failed.empty()) ++bad;
        if (cases) {
            const std::string named = named_case(p);
            const bool reached = named == "limit-cut" ? l.limit_cut_events > 0
                                 : named == "none"    ? l.limit_cut_events == 0
                                                      : false;
            if (!reached) {
                std::printf("  does not show the ledger case it names (%s)\n", named.c_str());
                ++bad;
            }
            // Without the skip, the ledger must catch a documented case.
            Mode strict = script_mode(script->actions);
            strict.excuse = false;
            const auto caught = replay(script->actions, strict);
            if (named != "none" && !(caught && caught->check == "ledger")) {
                std::printf("  the ledger without its skip does not catch it\n");
                ++bad;
            } else if (caught) {
                std::printf("  without the skip: %s\n", caught->detail.c_str());
            }
        }
    }
    return bad == 0 ? 0 : 1;
}

int make_corpus(const std::string& out_dir, const std::vector<std::string>& args) {
    fs::create_directories(out_dir);
    VirtualPlatform platform;
    DorvaneCtl ctl(platform);
    int n = 0, bad = 0;
    for (const fs::path& p : scripts_in(args)) {
        const std::optional<Script> script = read_script_file(p);
        if (!script) {
            ++bad;
            continue;
        }
        std::vector<std::uint8_t> bytes;
        encode_mode(script_mode(script->actions), bytes);
        for (const script::Statement& s : script->statements) {
            const std::optional<Action> a = action_of(s, widget_layout());
            if (!a) continue;
            if (!numbers_fit_literal(*a)) {
                std::printf(
                    "%s:%d: %s: a number wider than 32 bits has no bytes; not in the "
                    "corpus\n",
                    p.string().c_str(), s.line, s.text.c_str());
                continue;
            }
            encode_action(*a, ctl, bytes);
        }
        std::ofstream f(fs::path(out_dir) / (p.stem().string() + ".bin"), std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
        ++n;
    }
    std::printf("%d corpus files in %s\n", n, out_dir.c_str());
    return bad == 0 ? 0 : 1;
}

void usage() {
    std::fprintf(stderr,
                 "usage: dorvane-soak [--seed S] [--seeds N] [--steps N | --minutes M] [--walk N] "
                 "[--out DIR] [--no-shrink]\n"
                 "       dorvane-soak --seed S --dump-walk W [--walk N]   (one walk as a script)\n"
                 "       dorvane-soak --replay|--cases FILE.dvs ...\n"
                 "       dorvane-soak --make-corpus OUTDIR FILE_OR_DIR ...\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--replay" || args[0] == "--cases"))
        return replay_scripts({args.begin() + 1, args.end()}, args[0] == "--cases");
    if (!args.empty() && args[0] == "--make-corpus" && args.size() >= 3)
        return make_corpus(args[1], {args.begin() + 2, args.end()});

    std::uint64_t seed = 1;
    long long seeds = 1, total_steps = 100000, walk_length = 2000;
    double minutes = 0;
    std::string out = "soak-findings";
    bool do_shrink = true;
    long long dump_walk = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) {
                usage();
                std::exit(2);
            }
            return args[++i];
        };
        if (args[i] == "--seed")
            seed = std::stoull(value());
        else if (args[i] == "--seeds")
            seeds = std::stoll(value());
        else if (args[i] == "--steps")
            total_steps = std::stoll(value());
        else if (args[i] == "--walk")
            walk_length = std::stoll(value());
        else if (args[i] == "--minutes")
            minutes = std::stod(value());
        else if (args[i] == "--out")
            out = value();
        else if (args[i] == "--no-shrink")
            do_shrink = false;
        else if (args[i] == "--dump-walk")
            dump_walk = std::stoll(value());
        else {
            usage();
            return 2;
        }
    }

    if (dump_walk >= 0) {
        // One walk of the seed as a script, checked as it goes.
        SeededBytes bytes(mix(seed * 1000003ULL + static_cast<std::uint64_t>(dump_walk)));
        const WalkResult r = run_walk(bytes, walk_mode(dump_walk), walk_length);
        std::fputs(
            to_script(r.actions,
                      {"seed " + std::to_string(seed) + ", walk " + std::to_string(dump_walk)},
                      r.violation)
                .c_str(),
            stdout);
        if (r.violation) return 1;
        // The state the walk ends in, so that a replay elsewhere shows it got
        // to the same place.
        Walker w(walk_mode(dump_walk));
        std::vector<Action> actions = r.actions;
        for (Action& a : actions)
            w.run(a);
        const PumpTable& t = w.ctl().pump_table();
        auto expect_now = [&](const MemberInfo& m, int i) {
            script::Statement s;
            s.op = script::Op::Expect;
            s.target = member_target(m, 0, i);
            s.values.push_back(script::Value::of_number(m.read(t, 0, i)));
            std::puts(script::format_statement(s).c_str());
        };
        for (const MemberInfo& m : pump_table_members()) {
            if (m.shape == MemberShape::Scalar)
                expect_now(m, 0);
            else if (m.shape == MemberShape::PerPump)
                for (int i = 0; i < kPumpCount; ++i)
                    expect_now(m, i);
        }
        return 0;
    }

    // The clock only bounds a long run; what a walk does depends on its seed alone.
    const auto start = std::chrono::steady_clock::now();
    auto out_of_time = [&] {
        return minutes > 0 && std::chrono::steady_clock::now() - start >
                                  std::chrono::duration<double, std::ratio<60>>(minutes);
    };
    const long long per_seed = seeds > 0 ? total_steps / seeds : 0;
    Ledger all;
    long long all_steps = 0, findings = 0, walks = 0;
    for (long long s = 0; minutes > 0 ? !out_of_time() : s < seeds; ++s) {
        const std::uint64_t this_seed = seed + static_cast<std::uint64_t>(s);
        long long steps = 0;
        for (long long w = 0; minutes > 0 ? !out_of_time() && w < 1000 : steps < per_seed; ++w) {
            SeededBytes bytes(mix(this_seed * 1000003ULL + static_cast<std::uint64_t>(w)));
            const Mode mode = walk_mode(w);
            WalkResult r = run_walk(bytes, mode, walk_length);
            steps += r.steps;
            ++walks;
            add(all, r.ledger);
            if (!r.violation) continue;
            ++findings;
            std::vector<Action> actions = r.actions;
            if (do_shrink) actions = shrink(actions, mode, r.violation->check);
            const auto v = replay(actions, mode);
            fs::create_directories(out);
            const fs::path file =
                fs::path(out) / ("seed-" + std::to_string(this_seed) + "-walk-" +
                                 std::to_string(w) + "-" + r.violation->check + ".dvs");
            std::ofstream(file) << to_script(
                actions,
                {"soak finding: seed " + std::to_string(this_seed) + ", walk " + std::to_string(w) +
                     (mode.host ? "" : " (tester only)"),
                 "found after " + std::to_string(r.actions.size()) + " actions, kept " +
                     std::to_string(actions.size())},
                v ? v : r.violation);
            std::printf("FINDING seed %llu walk %lld: %s: %s\n  written to %s\n",
                        static_cast<unsigned long long>(this_seed), w, r.violation->check.c_str(),
                        r.violation->detail.c_str(), file.string().c_str());
            break;  // the rest of this seed's walks would start from the same fault
        }
        all_steps += steps;
        std::printf("seed %llu: %lld steps\n", static_cast<unsigned long long>(this_seed), steps);
        std::fflush(stdout);
    }
    std::printf("%lld walks, %lld steps, %lld findings\n", walks, all_steps, findings);
    print_ledger(all);
    return findings == 0 ? 0 : 1;
}
