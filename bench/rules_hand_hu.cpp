// Winning-hand tests at table speed: ns per call of CheckHuShapes,
// TryHuWithJokers and IsWinningHand on 17-tile hands (16 in hand and the
// winning tile) with 0-4 jokers and the client's options, over four sets:
// random hands, random suited hands, hands built to win, and the slowest
// hands a hill-climbing search finds for each call (over the tiles, the
// joker count, the allowed shapes and the self-drawn bit). Each row runs
// with the tile hooks in force before any table, or with those a rule table
// installs (CRuleTable::Create, as the game runs): with the table's, honours
// end a test at once; the hill climb searches under the row's hooks.
// BM_FirstCall times the first call of a fresh process (a new process per
// iteration).
//
// Each set reports the mean ns per call (the Time column), the median and
// the worst single hand (median_ns, worst_ns).
//
// For instruction counts (valgrind --tool=callgrind, which does not depend on
// the machine's load): `--save-adversarial <call> <file>` writes the hands the
// hill climb finds for a call (0-2), and `--calls <set> <call> [file]` runs
// every hand of a set once (set 3: the hands of the file) in RunCalls, so
// `--toggle-collect='*RunCalls*'` counts only the calls. For timing two builds
// on the same hands, `--time <set> <call> [file]` cycles a set's hands as
// BM_Hu does and prints the mean ns per call of each of seven rounds, sorted.
// These three run with the table's hooks; `--default-hooks` before them runs
// them with the hooks in force before any table.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "rules/hand/hu.h"
#include "rules/table/rule_table.h"
#include "rules/hand/tests/hand_gen.h"

extern char** environ;

namespace {

using namespace rules;

// Joker A is 五万 (id 4, kind 5), joker B 三条 (id 38, kind 13).
constexpr TileId kJokerA = 4, kJokerB = 38;
constexpr TileIndex kJokerKinds[2] = {5, 13};
constexpr RuleOptions kClientOptions = 0x80022011;
constexpr uint32_t kClientAllowed = 22;
constexpr uint32_t kShapeBitsList[] = {0x10, 0x20, 0x40, 0x80, 0x1000000};

struct Case {
    TileCountArray hand{};  // 16 tiles, jokers among them
    TileId tile = -1;       // the 17th
    uint32_t allowed = kClientAllowed;
    uint32_t mode = 0;  // self-drawn (0x2) or not
    // For CheckHuShapes: the winning tile in, the jokers out as counters.
    TileCountArray withTile{};
    int32_t nA = 0, nB = 0;
    TileIndex winKind = 0;
};

TileId IdOf(TileIndex kind, int copy) {
    if (kind < 30) return (kind / 10) * 36 + copy * 9 + kind % 10 - 1;
    return 108 + copy * 7 + kind - 31;
}

void Finish(Case& c) {
    c.withTile = c.hand;
    c.nB = 0;
    c.nA =
        ExtractJokers(c.withTile, c.tile, kJokerA, kJokerB, &c.winKind, kClientOptions, 0, &c.nB);
}

// A case from 17 tiles: one of them (at random) is the winning tile, and
// `jokers` hand tiles are turned into joker tiles.
Case MakeCase(std::mt19937& rng, const TileCountArray& counts, int jokers, uint32_t allowed,
              uint32_t mode) {
    Case c;
    std::vector<TileIndex> kinds;
    for (int k = 1; k < kCountSlots; ++k) {
        for (int i = 0; i < counts[size_t(k)]; ++i)
            kinds.push_back(k);
    }
    std::shuffle(kinds.begin(), kinds.end(), rng);
    for (size_t i = 0; i + 1 < kinds.size(); ++i)
        ++c.hand[size_t(kinds[i])];
    for (int j = 0; j < jokers; ++j) {
        const TileIndex jk = kJokerKinds[j % 2];
        for (int k = 1; k < kCountSlots; ++k) {
            if (k != jk && c.hand[size_t(k)] > 0 && c.hand[size_t(jk)] < 4) {
                --c.hand[size_t(k)];
                ++c.hand[size_t(jk)];
                break;
            }
        }
    }
    // The copy not yet in hand (four copies at most).
    const TileIndex win = kinds.back();
    c.tile = IdOf(win, std::min(3, c.hand[size_t(win)]));
    c.allowed = allowed;
    c.mode = mode;
    Finish(c);
    return c;
}

// Each call writes into the caller's result, as a table reuses its own (a
// fresh 516-byte result per call would be timed with it).
int32_t RunIsWinning(const Case& c, HuResult& r) {
    return IsWinningHand(c.hand, c.tile, kJokerA, kJokerB, kClientOptions, c.allowed, r, c.mode, 0);
}

int32_t RunTryHu(const Case& c, HuResult& r) {
    return TryHuWithJokers(c.hand, c.tile, kJokerA, kJokerB, kClientOptions, c.allowed, r, c.mode);
}

int32_t RunShapes(const Case& c, HuResult& r) {
    return CheckHuShapes(c.withTile, c.nA, c.nB, kJokerA, kJokerB, c.winKind, kClientOptions,
                         c.allowed, r, 0);
}

using Runner = int32_t (*)(const Case&, HuResult&);
constexpr Runner kRunners[] = {RunShapes, RunTryHu, RunIsWinning};
const char* const kRunnerNames[] = {"CheckHuShapes", "TryHuWithJokers", "IsWinningHand"};

std::vector<Case> RandomCases(int n, bool honours) {
    std::mt19937 rng(1234 + honours);
    std::vector<Case> cases;
    for (int i = 0; i < n; ++i) {
        cases.push_back(MakeCase(rng, testing::RandomCounts(rng, 17, honours), i % 5,
                                 kClientAllowed, uint32_t(i % 2) * kModeSelfDrawn));
    }
    return cases;
}

TileCountArray WinningCounts(std::mt19937& rng, bool honours) {
    for (;;) {
        auto h = testing::ConstructedHand(rng, 5, true, 0, honours);
        int tiles = 0;
        for (int v : h.counts)
            tiles += v;
        if (tiles == 17) return h.counts;
    }
}

std::vector<Case> WinningCases(int n) {
    std::mt19937 rng(99);
    std::vector<Case> cases;
    for (int i = 0; i < n; ++i) {
        cases.push_back(MakeCase(rng, WinningCounts(rng, false), i % 5, kClientAllowed,
                                 uint32_t(i % 2) * kModeSelfDrawn));
    }
    return cases;
}

// Mean ns of one call on one case, the best of a few rounds.
double TimeOne(const Case& c, Runner fn, int reps) {
    double best = 1e30;
    HuResult r;
    for (int round = 0; round < 3; ++round) {
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < reps; ++i)
            benchmark::DoNotOptimize(fn(c, r));
        auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count() / reps);
    }
    return best;
}

// The search state: 17 tiles of the ordinary kinds, the joker count, the
// allowed shapes and the self-drawn bit.
struct Climber {
    TileCountArray counts;
    int jokers;
    uint32_t allowed;
    uint32_t mode;
    uint32_t seed;
    Case Make() const {
        std::mt19937 rng(seed);
        return MakeCase(rng, counts, jokers, allowed, mode);
    }
};

Climber Mutate(std::mt19937& rng, Climber s) {
    switch (rng() % 6) {
        case 0:
        case 1:
        case 2: {  // one tile to another kind
            std::vector<TileIndex> present;
            for (int k = 1; k < kCountSlots; ++k) {
                if (s.counts[size_t(k)]) present.push_back(k);
            }
            const TileIndex from = present[rng() % present.size()];
            const TileIndex to = testing::OrdinaryKinds()[rng() % 34];
            if (s.counts[size_t(to)] < 4) {
                --s.counts[size_t(from)];
                ++s.counts[size_t(to)];
            }
            break;
        }
        case 3:
            s.jokers = std::clamp(s.jokers + (rng() % 2 ? 1 : -1), 0, 4);
            break;
        case 4:
            s.allowed ^= kShapeBitsList[rng() % std::size(kShapeBitsList)];
            if (rng() % 4 == 0) s.mode ^= kModeSelfDrawn;
            break;
        default:  // another choice of the winning tile and the joker places
            s.seed = uint32_t(rng());
    }
    return s;
}

// Hill climbing from winners and near-winners: keep a change when the call
// gets slower. The slowest `keep` ends (timed again) form the set.
std::vector<Case> AdversarialCases(Runner fn, int keep) {
    std::mt19937 rng(7);
    std::vector<std::pair<double, Case>> found;
    for (int start = 0; start < 24; ++start) {
        Climber s{WinningCounts(rng, start % 3 == 0), 1 + start % 4,
                  kClientAllowed | (start % 2 ? 0x80u : 0u), uint32_t(start % 2) * kModeSelfDrawn,
                  uint32_t(rng())};
        Case best = s.Make();
        double bestTime = TimeOne(best, fn, 20);
        for (int step = 0; step < 300; ++step) {
            Climber next = Mutate(rng, s);
            Case c = next.Make();
            double t = TimeOne(c, fn, 20);
            if (t > bestTime) bestTime = t, best = c, s = next;
        }
        found.emplace_back(TimeOne(best, fn, 200), best);
    }
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.first > b.first; });
    std::vector<Case> cases;
    for (int i = 0; i < keep && i < int(found.size()); ++i)
        cases.push_back(found[size_t(i)].second);
    return cases;
}

const char* const kSetNames[] = {"random", "random_suited", "winners", "adversarial"};

// The hooks of a row: those in force before any table is built, or those a
// rule table installs.
enum Hooks { kDefaultHooks, kTableHooks };
const char* const kHookNames[] = {"default_hooks", "table_hooks"};

void InstallHooks(int hooks) {
    if (hooks == kTableHooks) {
        rules::CRuleTable::Create();
    } else {
        ResetTileHooks();
    }
}

const std::vector<Case>& Set(int set, int runner, int hooks) {
    static std::vector<Case> plain[3], adversarial[3][2];
    std::vector<Case>& cases = set == 3 ? adversarial[runner][hooks] : plain[set];
    if (cases.empty()) {
        InstallHooks(hooks);
        if (set == 3) {
            cases = AdversarialCases(kRunners[runner], 16);
        } else {
            cases = set == 2 ? WinningCases(1024) : RandomCases(1024, set == 0);
        }
    }
    return cases;
}

// range(0): the set; range(1): the call; range(2): the hooks.
void BM_Hu(benchmark::State& state) {
    const int set = int(state.range(0)), runner = int(state.range(1));
    const int hooks = int(state.range(2));
    const auto& cases = Set(set, runner, hooks);
    InstallHooks(hooks);
    const Runner fn = kRunners[runner];
    size_t i = 0;
    int64_t wins = 0;
    HuResult result;
    for (auto _ : state) {
        wins += fn(cases[i], result) != 0;
        benchmark::ClobberMemory();
        if (++i == cases.size()) i = 0;
    }
    std::vector<double> each;
    for (const Case& c : cases)
        each.push_back(TimeOne(c, fn, 20));
    std::sort(each.begin(), each.end());
    state.counters["median_ns"] = each[each.size() / 2];
    state.counters["worst_ns"] = each.back();
    state.counters["wins"] = double(wins) / double(state.iterations());
    state.SetLabel(std::string(kSetNames[set]) + " " + kRunnerNames[runner] + " " +
                   kHookNames[hooks]);
}

std::string g_self;

// One child process per iteration runs a single call and prints its ns.
void BM_FirstCall(benchmark::State& state) {
    const int runner = int(state.range(0));
    std::vector<double> ns;
    for (auto _ : state) {
        int fds[2];
        if (pipe(fds) != 0) {
            state.SkipWithError("pipe");
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string which = std::to_string(runner);
        char flag[] = "--first-call";
        char* argv[] = {g_self.data(), flag, which.data(), nullptr};
        pid_t pid = 0;
        int rc = posix_spawn(&pid, g_self.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        char buf[64] = {};
        ssize_t got = rc == 0 ? read(fds[0], buf, sizeof buf - 1) : -1;
        close(fds[0]);
        int status = 0;
        if (rc == 0) waitpid(pid, &status, 0);
        if (got <= 0 || status != 0) {
            state.SkipWithError("child");
            return;
        }
        ns.push_back(std::atof(buf));
    }
    std::sort(ns.begin(), ns.end());
    state.counters["first_call_us"] = ns[ns.size() / 2] / 1000;
    state.counters["worst_first_call_us"] = ns.back() / 1000;
    state.SetLabel(kRunnerNames[runner]);
}

// Hands as text, one per line: the 64 counts, the tile, allowed and mode.
bool SaveCases(const std::vector<Case>& cases, const char* path) {
    FILE* f = std::fopen(path, "w");
    if (!f) return false;
    for (const Case& c : cases) {
        for (int32_t v : c.hand)
            std::fprintf(f, "%d ", v);
        std::fprintf(f, "%d %u %u\n", c.tile, c.allowed, c.mode);
    }
    return std::fclose(f) == 0;
}

std::vector<Case> LoadCases(const char* path) {
    std::vector<Case> cases;
    FILE* f = std::fopen(path, "r");
    if (!f) return cases;
    for (;;) {
        Case c;
        bool ok = true;
        for (int32_t& v : c.hand)
            ok = ok && std::fscanf(f, "%d", &v) == 1;
        if (!ok || std::fscanf(f, "%d %u %u", &c.tile, &c.allowed, &c.mode) != 3) break;
        Finish(c);
        cases.push_back(c);
    }
    std::fclose(f);
    return cases;
}

__attribute__((noinline)) int64_t RunCalls(const std::vector<Case>& cases, Runner fn) {
    int64_t wins = 0;
    HuResult result;
    for (const Case& c : cases)
        wins += fn(c, result) != 0;
    return wins;
}

int g_cliHooks = kTableHooks;

int Calls(int set, int runner, const char* file) {
    const std::vector<Case> cases = set == 3 ? LoadCases(file) : Set(set, runner, g_cliHooks);
    InstallHooks(g_cliHooks);
    const int64_t wins = RunCalls(cases, kRunners[runner]);
    std::printf("%zu hands, %lld win\n", cases.size(), static_cast<long long>(wins));
    return cases.empty() ? 1 : 0;
}

// Seven rounds of about 0.2 s each over the set's hands, cycled.
int Time(int set, int runner, const char* file) {
    const std::vector<Case> cases = set == 3 ? LoadCases(file) : Set(set, runner, g_cliHooks);
    if (cases.empty()) return 1;
    InstallHooks(g_cliHooks);
    const Runner fn = kRunners[runner];
    HuResult result;
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        const size_t calls = 2'000'000 / cases.size() * cases.size();
        int64_t wins = 0;
        auto t0 = std::chrono::steady_clock::now();
        for (size_t i = 0; i < calls; ++i) {
            wins += fn(cases[i % cases.size()], result) != 0;
            benchmark::ClobberMemory();
        }
        auto t1 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(wins);
        rounds.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count() / double(calls));
    }
    std::sort(rounds.begin(), rounds.end());
    for (double ns : rounds)
        std::printf("%.1f ", ns);
    std::printf("\n");
    return 0;
}

// The child: a winning hand with two jokers, the table's hooks, one call.
int FirstCall(int runner) {
    InstallHooks(kTableHooks);
    std::mt19937 rng(3);
    const Case c = MakeCase(rng, WinningCounts(rng, false), 2, kClientAllowed, kModeSelfDrawn);
    HuResult result;
    auto t0 = std::chrono::steady_clock::now();
    int32_t r = kRunners[runner](c, result);
    auto t1 = std::chrono::steady_clock::now();
    std::printf("%.0f %d\n", std::chrono::duration<double, std::nano>(t1 - t0).count(), r);
    return 0;
}

}  // namespace

BENCHMARK(BM_Hu)->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2}, {kDefaultHooks, kTableHooks}});
BENCHMARK(BM_FirstCall)->DenseRange(0, 2)->Iterations(15)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--first-call") == 0) {
        return FirstCall(std::atoi(argv[2]) % 3);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--default-hooks") == 0) {
        g_cliHooks = kDefaultHooks;
        argv[1] = argv[0];
        --argc;
        ++argv;
    }
    if (argc == 4 && std::strcmp(argv[1], "--save-adversarial") == 0) {
        const int runner = std::atoi(argv[2]) % 3;
        return SaveCases(Set(3, runner, g_cliHooks), argv[3]) ? 0 : 1;
    }
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--calls") == 0) {
        return Calls(std::atoi(argv[2]) % 4, std::atoi(argv[3]) % 3, argc == 5 ? argv[4] : "");
    }
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--time") == 0) {
        return Time(std::atoi(argv[2]) % 4, std::atoi(argv[3]) % 3, argc == 5 ? argv[4] : "");
    }
    g_self = "/proc/self/exe";
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) g_self.assign(self, size_t(n));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
