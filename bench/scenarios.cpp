#include "scenarios.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "benchapp.h"
#include "counting_files.h"
#include "export/run.h"
#include "lists/printselection.h"
#include "paydates/verification.h"

extern char** environ;

namespace zr::bench {

namespace {

using Clock = std::chrono::steady_clock;

// The table's sizes: companies (codes stop before 990) and employees each.
const std::vector<BureauShape> kShapes = {{50, 20, 770}, {300, 50, 770}, {989, 100, 770}};

struct Scenario {
  const char* name;
  std::vector<std::string> command;  // after --all is added
  int listOption;                    // Option1 index for the lists, else -1
};
const std::vector<Scenario> kScenarios = {
    {"export", {"export"}, -1},
    {"verify", {"verify"}, -1},
    {"list erario", {"list", "erario"}, 0},
    {"list regioni", {"list", "regioni"}, 1},
    {"list comuni", {"list", "comuni"}, 2},
    {"list sx", {"list", "sx"}, 4},
};

const Scenario& scenarioNamed(const std::string& name) {
  for (const Scenario& s : kScenarios)
    if (name == s.name) return s;
  throw std::logic_error("no scenario " + name);
}

std::vector<BureauShape> shapesFromEnvironment() {
  const char* text = std::getenv("ZR_BENCH_SIZES");
  if (!text || !*text) return kShapes;
  std::vector<BureauShape> shapes;
  std::string s = text;
  for (std::size_t at = 0; at <= s.size();) {
    std::size_t end = s.find(',', at);
    if (end == std::string::npos) end = s.size();
    BureauShape shape;
    if (std::sscanf(s.substr(at, end - at).c_str(), "%dx%d", &shape.companies, &shape.employees) !=
        2)
      throw std::invalid_argument("ZR_BENCH_SIZES: \"" + s + "\" is not like 50x20,300x50");
    shapes.push_back(shape);
    at = end + 1;
  }
  return shapes;
}

std::string label(const BureauShape& s) {
  return std::to_string(s.companies) + "x" + std::to_string(s.employees);
}

double seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs a program to its end with stdout thrown away; its stderr is kept for a failure's text.
// Wall time, CPU time (user and system) and peak memory of the child alone, through wait4.
RunFigures runChild(const std::vector<std::string>& args) {
  char errorName[] = "/tmp/zr-bench-stderr-XXXXXX";
  const int errorFd = mkstemp(errorName);
  if (errorFd < 0) throw std::runtime_error("mkstemp failed");
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, errorFd, 2);
  posix_spawn_file_actions_addclose(&actions, errorFd);
  pid_t pid = 0;
  const auto start = Clock::now();
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(errorFd);
  if (rc != 0) {
    ::unlink(errorName);
    throw std::runtime_error("cannot start " + args[0]);
  }
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0)
    if (errno != EINTR) throw std::runtime_error("wait4 failed");
  RunFigures f;
  f.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  f.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  f.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
  std::ifstream err(errorName);
  const std::string text{std::istreambuf_iterator<char>(err), {}};
  ::unlink(errorName);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(args[0] + " " + (args.size() > 5 ? args[5] : "") + " ended with " +
                             std::to_string(status) + ": " + text.substr(0, 2000));
  return f;
}

// The scenario in-process: what it read, wrote and opened through Files, and printed.
void countInProcess(const Bureau& bureau, const Scenario& scenario, RunFigures& out) {
  auto host = platform::makeHostFiles(bureau.root());
  CountingFiles counter(*host);
  {
    BureauApp loaded(bureau, counter);
    loaded.selectAll();
    App& app = loaded.app();
    bool done = false;
    if (scenario.listOption >= 0) {
      done = CmdVer1655_Click(app);
      Option1_Click(app, scenario.listOption);
      done = done && CmdStampa_Click(app) == ListOutcome::Done;
    } else if (scenario.command[0] == "verify") {
      done = cmdverifica_Click(app, UpdateAnswer::No) == VerifyOutcome::Done;
    } else {
      done = CMDAVVIO_Click(app) == RunOutcome::Done;
    }
    app.finishPrinting();
    if (!done)
      throw std::runtime_error(std::string(scenario.name) +
                               " did not finish:" + loaded.dialogsText());
    out.printed = loaded.printedBytes();
  }
  // The load is part of every command of the command line: counted with it.
  out.bytesRead = counter.bytesRead();
  out.bytesWritten = counter.bytesWritten() + out.printed;
  out.reads = counter.reads();
  out.writes = counter.writes();
  out.opens = counter.opens();
}

void setCounters(benchmark::State& state, const RunFigures& f) {
  state.counters["cpu_s"] = f.cpuSeconds;
  state.counters["peak_MB"] = f.peakMegabytes;
  state.counters["read_MB"] = static_cast<double>(f.bytesRead) / 1e6;
  state.counters["written_MB"] = static_cast<double>(f.bytesWritten) / 1e6;
  state.counters["reads"] = static_cast<double>(f.reads);
  state.counters["writes"] = static_cast<double>(f.writes);
  state.counters["opens"] = static_cast<double>(f.opens);
}

double megabytes(std::uint64_t bytes) {
  return static_cast<double>(bytes) / 1e6;
}

}  // namespace

ScenarioBenchmarks::ScenarioBenchmarks() : shapes_(shapesFromEnvironment()) {
  bureaus_.resize(shapes_.size());
  figures_.resize(shapes_.size());
  for (std::size_t i = 0; i < shapes_.size(); ++i) figures_[i].shape = shapes_[i];
}

ScenarioBenchmarks::~ScenarioBenchmarks() = default;

Bureau& ScenarioBenchmarks::bureau(std::size_t size) {
  if (!bureaus_[size]) {
    std::fprintf(stderr, "bureau %s: ", label(shapes_[size]).c_str());
    std::fflush(stderr);
    bureaus_[size] = std::make_unique<Bureau>(shapes_[size], ZR_BENCH_BUREAUS);
    const Bureau& b = *bureaus_[size];
    SizeFigures& f = figures_[size];
    f.inputBytes = b.inputBytes();
    f.inputFiles = b.inputs().size();
    f.buildSeconds = b.built() ? b.summary().buildSeconds : 0;
    std::fprintf(stderr, "%s %.1f s, %zu input files, %.1f MB\n",
                 b.built() ? "built in" : "taken from the cache, built once in",
                 b.summary().buildSeconds, f.inputFiles, megabytes(f.inputBytes));
  }
  return *bureaus_[size];
}

void ScenarioBenchmarks::runScenario(std::size_t size, const std::string& name, RunFigures& out) {
  const Bureau& b = bureau(size);
  if (name == "cat") {
    std::vector<std::string> args{"/bin/cat"};
    for (const auto& p : b.inputs()) args.push_back(p.string());
    out = runChild(args);
    out.bytesRead = b.inputBytes();
    out.reads = 0;
    out.opens = b.inputs().size();
    return;
  }
  const Scenario& scenario = scenarioNamed(name);
  // Counted first: an export then leaves the previous files that the timed one copies aside,
  // as every export after the first does.
  countInProcess(b, scenario, out);
  std::vector<std::string> args{ZR_CLI_PATH,  "--root",         b.root(),
                                "--registry", b.registryPath(), "--yes"};
  for (const std::string& c : scenario.command) args.push_back(c);
  args.push_back("--all");
  const RunFigures timed = runChild(args);
  out.wallSeconds = timed.wallSeconds;
  out.cpuSeconds = timed.cpuSeconds;
  out.peakMegabytes = timed.peakMegabytes;
}

void ScenarioBenchmarks::registerAll() {
  for (std::size_t size = 0; size < shapes_.size(); ++size) {
    std::vector<std::string> names{"cat"};
    for (const Scenario& s : kScenarios) names.push_back(s.name);
    for (const std::string& name : names) {
      std::string title = "BM_Scenario/" + label(shapes_[size]) + "/" + name;
      for (char& c : title)
        if (c == ' ') c = '_';
      benchmark::RegisterBenchmark(title.c_str(),
                                   [this, size, name](benchmark::State& state) {
                                     RunFigures f;
                                     try {
                                       for (auto _ : state) {
                                         runScenario(size, name, f);
                                         state.SetIterationTime(f.wallSeconds);
                                       }
                                     } catch (const std::exception& e) {
                                       state.SkipWithError(e.what());
                                       return;
                                     }
                                     setCounters(state, f);
                                     if (name == "cat")
                                       figures_[size].cat = f;
                                     else
                                       figures_[size].rows.push_back({name, f});
                                   })
          ->Iterations(1)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
}

void ScenarioBenchmarks::printTable() const {
  bool any = false;
  for (const SizeFigures& f : figures_) any = any || !f.rows.empty();
  if (!any) return;
  std::printf(
      "\nPerformance (wall and CPU time and peak memory of zorir770 itself; bytes, calls "
      "and opens through its Files, load included; t/cat = wall / cat's wall, "
      "read/input = bytes read / the bureau's input bytes)\n");
  for (const SizeFigures& f : figures_) {
    if (f.rows.empty()) continue;
    std::printf("\nbureau %s: %zu input files, %.1f MB; cat %.3f s wall, %.3f s CPU\n",
                label(f.shape).c_str(), f.inputFiles, megabytes(f.inputBytes), f.cat.wallSeconds,
                f.cat.cpuSeconds);
    std::printf("%-13s %8s %8s %9s %9s %8s %7s %6s %7s %7s %10s\n", "scenario", "wall s", "cpu s",
                "read MB", "write MB", "reads", "writes", "opens", "peak MB", "t/cat",
                "read/input");
    for (const ScenarioRow& r : f.rows) {
      const RunFigures& x = r.figures;
      std::printf(
          "%-13s %8.3f %8.3f %9.1f %9.1f %8llu %7llu %6llu %7.1f %7.2f %10.3f\n",
          r.scenario.c_str(), x.wallSeconds, x.cpuSeconds, megabytes(x.bytesRead),
          megabytes(x.bytesWritten), static_cast<unsigned long long>(x.reads),
          static_cast<unsigned long long>(x.writes), static_cast<unsigned long long>(x.opens),
          x.peakMegabytes, f.cat.wallSeconds > 0 ? x.wallSeconds / f.cat.wallSeconds : 0,
          f.inputBytes ? static_cast<double>(x.bytesRead) / static_cast<double>(f.inputBytes) : 0);
    }
  }
  // Growth from the smallest bureau measured to the largest: time against data.
  const SizeFigures* small = nullptr;
  const SizeFigures* large = nullptr;
  for (const SizeFigures& f : figures_) {
    if (f.rows.empty()) continue;
    if (!small) small = &f;
    large = &f;
  }
  if (small == large) return;
  const double data =
      static_cast<double>(large->inputBytes) / static_cast<double>(small->inputBytes);
  const double records = static_cast<double>(large->shape.companies) * large->shape.employees /
                         (static_cast<double>(small->shape.companies) * small->shape.employees);
  std::printf(
      "\ngrowth %s -> %s: data x%.1f (employees x%.1f); time (wall) x, and time "
      "growth / data growth (1 = linear):\n",
      label(small->shape).c_str(), label(large->shape).c_str(), data, records);
  for (const ScenarioRow& r : large->rows)
    for (const ScenarioRow& s : small->rows) {
      if (s.scenario != r.scenario || s.figures.wallSeconds <= 0) continue;
      const double t = r.figures.wallSeconds / s.figures.wallSeconds;
      std::printf("  %-13s x%7.1f  %5.2f\n", r.scenario.c_str(), t, t / data);
    }
  const double cat = large->cat.wallSeconds / small->cat.wallSeconds;
  std::printf("  %-13s x%7.1f  %5.2f\n", "cat", cat, cat / data);
}

}  // namespace zr::bench
