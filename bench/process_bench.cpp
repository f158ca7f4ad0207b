// Whole-process timings of `tessaro scan --no-service` with this machine's installed fonts, each
// against `fc-list` (which lists the same fonts from fontconfig's cache) in the same run:
//
//   OneDocumentWarm    one document, files in the page cache, the record of font names present;
//                      goal: at most 1.5x fc-list.
//   OneDocumentCold    the same after the page cache was dropped; goal: at most 2x warm.
//   FortyDocuments     40 documents in one run; goal: at most 2x one document plus the
//                      documents' own scan time (the same run with no font installed).
//   OneDocumentNoRecord  for information: the first run on a machine, every font file read.
//
// Times are wall-clock milliseconds per run of the program (manual time); the counters give the
// other programs of the same iterations and the ratios the goals are about. The page cache is
// dropped through /proc/sys/vm/drop_caches when this runs as root; otherwise the font files,
// both caches and the programs are evicted with posix_fadvise, and the label says so. The
// record lives in a temporary cache folder, never the user's own.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/file_lister.h"
#include "platform/fonts.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kTessaro = std::string(TESSARO_BIN_DIR) + "/tessaro";
const std::string kEngine = std::string(TESSARO_BIN_DIR) + "/libCorvid.so";
const std::string kDocuments = std::string(TESSARO_TEST_DATA) + "/documents";
// A small PDF whose fonts are not installed.
const std::string kOneDocument = kDocuments + "/sample/flyer.pdf";

// A temporary folder for the record, the 40 documents and an empty font configuration.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "tessaro-bench-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
    std::vector<std::string> sources;
    tessaro::CollectFiles(kDocuments, sources);
    std::erase_if(sources, [](const std::string& path) {
      std::string extension = fs::path(path).extension().string();
      return extension != ".pdf" && extension != ".psd" && extension != ".ai" &&
             extension != ".cdr";
    });
    fs::create_directories(root_ + "/documents");
    for (int i = 0; i < 40 && !sources.empty(); ++i) {
      const std::string& source = sources[static_cast<std::size_t>(i) % sources.size()];
      std::string copy =
          root_ + "/documents/" + std::to_string(i) + "-" + fs::path(source).filename().string();
      fs::copy_file(source, copy);
      documents_.push_back(copy);
    }
    emptyConfig_ = root_ + "/empty.conf";
    std::ofstream(emptyConfig_) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  const std::vector<std::string>& documents() const { return documents_; }
  const std::string& emptyConfig() const { return emptyConfig_; }
  std::string record() const { return root_ + "/cache/tessaro"; }

 private:
  std::string root_;
  std::vector<std::string> documents_;
  std::string emptyConfig_;
};

const Scratch& Work() {
  static Scratch scratch;
  return scratch;
}

// The processor time (user and system) of the last program Run started, in seconds: less
// disturbed than the wall time by other work on the machine.
double g_lastCpu = 0;

// Runs `arguments` with its output thrown away; returns the wall time in seconds.
double Run(const std::vector<std::string>& arguments, const std::string& fontconfigFile = "") {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> environment;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (!fontconfigFile.empty() && std::string(*variable).rfind("FONTCONFIG_FILE=", 0) == 0)
      continue;
    environment.emplace_back(*variable);
  }
  if (!fontconfigFile.empty()) environment.push_back("FONTCONFIG_FILE=" + fontconfigFile);
  std::vector<char*> envp;
  for (std::string& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  int status = 0;
  rusage usage{};
  if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
    wait4(child, &status, 0, &usage);
  }
  auto end = std::chrono::steady_clock::now();
  auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
  g_lastCpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  posix_spawn_file_actions_destroy(&actions);
  return std::chrono::duration<double>(end - start).count();
}

std::vector<std::string> ScanCommand(const std::vector<std::string>& documents) {
  std::vector<std::string> command = {kTessaro, "scan", "--no-service"};
  command.insert(command.end(), documents.begin(), documents.end());
  return command;
}

// Wall and processor times of several runs of one program.
struct Timing {
  double wall = 0;
  double cpu = 0;
  double Add(double time) {
    wall += time;
    cpu += g_lastCpu;
    return time;
  }
};

double FcList(Timing& timing) { return timing.Add(Run({"fc-list"})); }
double ScanOne(Timing& timing) { return timing.Add(Run(ScanCommand({kOneDocument}))); }
double ScanOne() {
  Timing ignored;
  return ScanOne(ignored);
}

void Evict(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  fdatasync(fd);
  posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  close(fd);
}

// Drops the page cache; returns how, for the label.
std::string DropPageCache() {
  sync();
  {
    std::ofstream drop("/proc/sys/vm/drop_caches");
    if (drop << "3" << std::flush) return "page cache dropped";
  }
  std::vector<std::string> files;
  for (const std::string& folder : platform::SystemFontFolders())
    tessaro::CollectFiles(folder, files);
  tessaro::CollectFiles(Work().record(), files);
  tessaro::CollectFiles("/var/cache/fontconfig", files);
  tessaro::CollectFiles(std::string(getenv("HOME") ? getenv("HOME") : "/") + "/.cache/fontconfig",
                        files);
  files.push_back(kTessaro);
  files.push_back(kEngine);
  for (const std::string& file : files) Evict(file);
  return "font files, caches and programs evicted (posix_fadvise), shared libraries not";
}

// Counters "<name>_ms" and "<name>_cpu_ms": the mean times per iteration.
void Report(benchmark::State& state, const std::string& name, const Timing& timing) {
  state.counters[name + "_ms"] =
      benchmark::Counter(timing.wall * 1000, benchmark::Counter::kAvgIterations);
  state.counters[name + "_cpu_ms"] =
      benchmark::Counter(timing.cpu * 1000, benchmark::Counter::kAvgIterations);
}

void BM_FcList(benchmark::State& state) {
  Timing fcList;
  for (auto _ : state) state.SetIterationTime(FcList(fcList));
  Report(state, "fc_list", fcList);
}

void BM_OneDocumentWarm(benchmark::State& state) {
  const Scratch& work = Work();
  ScanOne();  // the record is written
  Timing ours, fcList, noFonts;
  for (auto _ : state) {
    state.SetIterationTime(ScanOne(ours));
    state.PauseTiming();
    FcList(fcList);
    // The program's own cost: the same run with no font installed.
    noFonts.Add(Run(ScanCommand({kOneDocument}), work.emptyConfig()));
    state.ResumeTiming();
  }
  Report(state, "ours", ours);
  Report(state, "fc_list", fcList);
  Report(state, "no_fonts", noFonts);
  state.counters["x_fc_list"] = ours.wall / fcList.wall;  // goal: at most 1.5
  state.counters["x_fc_list_cpu"] = ours.cpu / fcList.cpu;
}

void BM_OneDocumentCold(benchmark::State& state) {
  const Scratch& work = Work();
  ScanOne();  // the record is written
  Timing cold, warm, fcCold, fcWarm, noFontsCold;
  std::string how;
  for (auto _ : state) {
    state.PauseTiming();
    how = DropPageCache();
    state.ResumeTiming();
    state.SetIterationTime(ScanOne(cold));
    state.PauseTiming();
    ScanOne(warm);
    how = DropPageCache();
    FcList(fcCold);
    FcList(fcWarm);
    // The program's own cold start: the same run with no font installed.
    DropPageCache();
    noFontsCold.Add(Run(ScanCommand({kOneDocument}), work.emptyConfig()));
    state.ResumeTiming();
  }
  Report(state, "cold", cold);
  Report(state, "no_fonts_cold", noFontsCold);
  Report(state, "warm", warm);
  Report(state, "fc_list_cold", fcCold);
  Report(state, "fc_list_warm", fcWarm);
  state.counters["x_warm"] = cold.wall / warm.wall;  // goal: at most 2
  state.counters["x_fc_list_cold"] = cold.wall / fcCold.wall;
  state.SetLabel(how);
}

void BM_FortyDocuments(benchmark::State& state) {
  const Scratch& work = Work();
  ScanOne();
  Timing forty, one, own, fcList;
  for (auto _ : state) {
    state.SetIterationTime(forty.Add(Run(ScanCommand(work.documents()))));
    state.PauseTiming();
    ScanOne(one);
    // The documents' own scan time: the same run with no font installed.
    own.Add(Run(ScanCommand(work.documents()), work.emptyConfig()));
    FcList(fcList);
    state.ResumeTiming();
  }
  Report(state, "forty", forty);
  Report(state, "one_document", one);
  Report(state, "forty_no_fonts", own);
  Report(state, "fc_list", fcList);
  state.counters["x_goal"] = forty.wall / (2 * one.wall + own.wall);  // goal: at most 1
  state.counters["x_goal_cpu"] = forty.cpu / (2 * one.cpu + own.cpu);
  state.counters["documents"] = static_cast<double>(work.documents().size());
}

void BM_OneDocumentNoRecord(benchmark::State& state) {
  const Scratch& work = Work();
  Timing ours, fcList;
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ignored;
    fs::remove_all(work.record(), ignored);
    state.ResumeTiming();
    state.SetIterationTime(ScanOne(ours));
    state.PauseTiming();
    FcList(fcList);
    state.ResumeTiming();
  }
  Report(state, "ours", ours);
  Report(state, "fc_list", fcList);
}

BENCHMARK(BM_FcList)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_OneDocumentWarm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_OneDocumentCold)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FortyDocuments)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OneDocumentNoRecord)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
