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
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "control/surface.h"
#include "forecourt/members.h"
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

std::vector<Action> read_script(const fs::path& path) {
    VirtualPlatform platform;
    DorvaneCtl ctl(platform);
    std::ifstream in(path);
    std::vector<Action> actions;
    for (std::string line; std::getline(in, line);)
        if (auto a = parse_action(line, ctl)) actions.push_back(*a);
    return actions;
}

// Scripts with host calls run in host mode; the rest as the tester's own.
Mode script_mode(const std::vector<Action>& actions) {
    for (const Action& a : actions)
        if (a.kind == Kind::Call || a.kind == Kind::Set) return Mode{true};
    return Mode{false};
}

// Reads `expect TARGET = VALUE` for pump-table members, host properties and
// `result`; other targets are left to the scenario runner.
struct Expect {
    bool known = false;
    std::string target;
    std::string want;
};

Expect parse_expect(const std::string& line) {
    Expect e;
    std::string s = line.substr(0, line.find('#'));
    if (s.rfind("expect ", 0) != 0) return e;
    const auto eq = s.find(" = ");
    if (eq == std::string::npos) return e;
    e.target = s.substr(7, eq - 7);
    e.want = s.substr(eq + 3);
    while (!e.want.empty() && (e.want.back() == ' ' || e.want.back() == '\r'))
        e.want.pop_back();
    if (e.want == "True") e.want = "-1";
    if (e.want == "False") e.want = "0";
    e.known = true;
    return e;
}

std::optional<std::string> actual(const Expect& e, const Walker& w) {
    if (e.target == "result") return w.last_result().to_text();
    if (const int p = find_property(e.target); p >= 0) return get_property(w.ctl(), p).to_text();
    const auto paren = e.target.find('(');
    const MemberInfo* m = find_member(e.target.substr(0, paren));
    if (!m) return std::nullopt;
    int k = 0, i = 0;
    if (m->shape == MemberShape::PerPump) std::sscanf(e.target.c_str() + paren, "(%d)", &i);
    if (m->shape == MemberShape::PerItem) std::sscanf(e.target.c_str() + paren, "(%d, %d)", &k, &i);
    return std::to_string(m->read(w.ctl().pump_table(), k, i));
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
        const std::vector<Action> actions = read_script(p);
        Walker w(script_mode(actions));
        VirtualPlatform scratch;
        DorvaneCtl names(scratch);
        std::ifstream in(p);
        std::optional<Violation> v;
        int line_no = 0, expects = 0, failed = 0;
        for (std::string line; std::getline(in, line) && !v;) {
            ++line_no;
            if (auto a = parse_action(line, names)) {
                v = w.run(*a);
                continue;
            }
            const Expect e = parse_expect(line);
            if (!e.known) continue;
            const auto got = actual(e, w);
            if (!got) continue;
            ++expects;
            if (*got != e.want) {
                ++failed;
                std::printf("%s:%d: expect %s = %s, got %s\n", p.string().c_str(), line_no,
                            e.target.c_str(), e.want.c_str(), got->c_str());
            }
        }
        const Ledger& l = w.checker().ledger();
        std::printf("%s: %d expects checked, %d failed, %s\n", p.string().c_str(), expects, failed,
                    v ? ("violated (" + v->check + "): " + v->detail).c_str() : "every check held");
        print_ledger(l);
        if (v || failed) ++bad;
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
            Mode strict = script_mode(actions);
            strict.excuse = false;
            const auto caught = replay(actions, strict);
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
    int n = 0;
    for (const fs::path& p : scripts_in(args)) {
        const std::vector<Action> actions = read_script(p);
        std::vector<std::uint8_t> bytes;
        encode_mode(script_mode(actions), bytes);
        for (const Action& a : actions)
            encode_action(a, ctl, bytes);
        std::ofstream f(fs::path(out_dir) / (p.stem().string() + ".bin"), std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
        ++n;
    }
    std::printf("%d corpus files in %s\n", n, out_dir.c_str());
    return 0;
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
        for (const MemberInfo& m : pump_table_members()) {
            if (m.shape == MemberShape::Scalar)
                std::printf("expect %s = %lld\n", std::string(m.name).c_str(), m.read(t, 0, 0));
            else if (m.shape == MemberShape::PerPump)
                for (int i = 0; i < 24; ++i)
                    std::printf("expect %s(%d) = %lld\n", std::string(m.name).c_str(), i,
                                m.read(t, 0, i));
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
