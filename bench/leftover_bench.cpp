// What a killed shared-layout run leaves, judged from outside: any
// tarvik-cli (this revision's or another's) is run, killed and asked to
// open its output again, and the output is then read by GDAL alone.
//
//   leftover_bench CLI kill [moments=50] [.gdb|.gpkg]
//   leftover_bench CLI damage
//
// kill: a run over 6000 sheets is killed at `moments` moments spread from
// its first report to its end (the close included); after `CLI preview`
// of its first reported frame (which puts back what the run left) the
// output counts as whole when GDAL reads every shared class without an
// error, every reported frame has exactly the features an uninterrupted
// run writes for it, and no other frame has any. Prints each moment's
// verdict and the tally.
//
// damage: a File GDB run is killed after its first report and its
// checkpoint damaged in one way per trial (manifest emptied, cut in half,
// garbage, removed; a saved file removed; the checkpoint a plain file;
// another store's checkpoint); then `CLI preview`. Prints its exit status,
// whether the store's files were changed, and how many of them remain.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string cli;

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the CLI with its stderr into `err`; the wait status.
int Run(const std::vector<std::string>& args, const fs::path& err) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>(cli.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!freopen("/dev/null", "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(127);
    execv(cli.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// A run in the background, killed on request.
struct Child {
  pid_t pid = -1;
  fs::path err;
  Child(const std::vector<std::string>& args, fs::path errFile) : err(std::move(errFile)) {
    std::fflush(stdout);
    pid = fork();
    if (pid == 0) {
      std::vector<char*> argv{const_cast<char*>(cli.c_str())};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      if (!freopen("/dev/null", "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(127);
      execv(cli.c_str(), argv.data());
      _exit(127);
    }
  }
  // Waits until stderr shows the first report.
  void firstReport() const {
    while (Read(err).find("[1/") == std::string::npos)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  int finish() const {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
  }
};

std::vector<std::string> Reported(const std::string& err) {
  std::vector<std::string> names;
  static const std::regex line(R"(\[\d+/\d+\] (\S+)\n)");
  for (auto it = std::sregex_iterator(err.begin(), err.end(), line); it != std::sregex_iterator(); ++it)
    names.push_back((*it)[1]);
  return names;
}

using Counts = std::map<std::string, std::array<long, 3>>;

// Features per frame of the shared classes; false when GDAL does not read
// them whole.
bool CountFrames(const std::string& output, Counts& counts) {
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(output.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!ds) return false;
  const char* classes[] = {"L_frames", "p_frames", "a_frames"};
  for (int k = 0; k < 3; ++k) {
    OGRLayer* layer = ds->GetLayerByName(classes[k]);
    if (!layer) return false;
    CPLErrorReset();
    const char* ignored[] = {"OGR_GEOMETRY", nullptr};
    layer->SetIgnoredFields(ignored);
    for (auto& f : *layer) ++counts[f->GetFieldAsString("FrameName")][k];
    if (CPLGetLastErrorType() >= CE_Failure) return false;
  }
  return true;
}

std::vector<std::string> SharedRun(const std::string& index, const std::string& output) {
  return {"index", index,       "-o",       output,   "--name-template",
          "[TFH]", "--verbose", "--layout", "shared", "--no-project"};
}

int Kill(const fs::path& work, int moments, const std::string& kind) {
  const std::string index = (work / "block.shp").string();
  Run({"make-index", "--scale", "10000", "--bbox", "88", "16", "89.5625", "26", "-o", index}, work / "err");
  Counts reference;
  Run(SharedRun(index, (work / "ref.gpkg").string()), work / "err");
  if (!CountFrames((work / "ref.gpkg").string(), reference)) return 1;
  // The run's length from its first report to its end.
  fs::remove_all(work / ("len" + kind));
  Child measured(SharedRun(index, (work / ("len" + kind)).string()), work / "len.err");
  measured.firstReport();
  const auto start = Clock::now();
  measured.finish();
  const double length = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("run length after the first report: %.2f s\n", length);
  int whole = 0, ended = 0;
  for (int i = 0; i < moments; ++i) {
    const fs::path out = work / ("out" + std::to_string(i) + kind);
    const fs::path err = work / ("run" + std::to_string(i) + ".err");
    Child child(SharedRun(index, out.string()), err);
    child.firstReport();
    std::this_thread::sleep_for(std::chrono::duration<double>(length * i / (moments - 1)));
    kill(child.pid, SIGKILL);
    const int status = child.finish();
    ended += WIFSIGNALED(status) ? 0 : 1;
    const std::vector<std::string> reported = Reported(Read(err));
    if (reported.empty()) continue;
    const int opened =
        Run({"preview", out.string(), "-o", (work / "p.png").string(), "--frame", reported.at(0)},
            work / "preview.err");
    Counts found;
    bool ok = WIFEXITED(opened) && WEXITSTATUS(opened) == 0 && CountFrames(out.string(), found);
    for (const std::string& name : reported) ok = ok && found.count(name) && found[name] == reference[name];
    for (const auto& [name, n] : found) ok = ok && reference.count(name) && n == reference[name];
    whole += ok ? 1 : 0;
    std::printf("moment %2d/%d (%.2f s)%s: %s, %zu reported, %zu found\n", i + 1, moments,
                length * i / (moments - 1), WIFSIGNALED(status) ? "" : " (ended first)",
                ok ? "whole" : "NOT WHOLE", reported.size(), found.size());
    fs::remove_all(out);
    for (const auto& entry : fs::directory_iterator(work))
      if (entry.path().filename().string().rfind(out.filename().string(), 0) == 0)
        fs::remove_all(entry.path());
  }
  std::printf("%s: %d of %d moments whole (%d runs ended before the kill)\n", kind.c_str(), whole, moments,
              ended);
  return 0;
}

std::map<std::string, std::string> Files(const fs::path& store) {
  std::map<std::string, std::string> files;
  if (fs::is_directory(store))
    for (const auto& entry : fs::directory_iterator(store))
      files[entry.path().filename().string()] = Read(entry.path());
  return files;
}

int Damage(const fs::path& work) {
  const std::string index = (work / "block.shp").string();
  Run({"make-index", "--scale", "10000", "--bbox", "88", "16", "89.5625", "18", "-o", index}, work / "err");
  const auto firstCopy = [](const fs::path& c) {
    for (const auto& e : fs::directory_iterator(c))
      if (e.path().filename().string().rfind("a0000", 0) == 0) return e.path();
    return fs::path();
  };
  const std::vector<std::pair<std::string, std::function<void(const fs::path&, const fs::path&)>>> damages = {
      {"manifest emptied", [](const fs::path& c, const fs::path&) { fs::resize_file(c / "manifest", 0); }},
      {"manifest cut in half",
       [](const fs::path& c, const fs::path&) {
         fs::resize_file(c / "manifest", fs::file_size(c / "manifest") / 2);
       }},
      {"manifest garbage",
       [](const fs::path& c, const fs::path&) { std::ofstream(c / "manifest") << std::string(300, '\x9c'); }},
      {"manifest removed", [](const fs::path& c, const fs::path&) { fs::remove(c / "manifest"); }},
      {"a saved file removed", [&](const fs::path& c, const fs::path&) { fs::remove(firstCopy(c)); }},
      {"checkpoint a plain file",
       [](const fs::path& c, const fs::path&) {
         fs::remove_all(c);
         std::ofstream(c) << "x";
       }},
      {"another store's checkpoint",
       [&](const fs::path& c, const fs::path& store) {
         // The killed run's checkpoint goes beside a finished store.
         const fs::path other = work / "other.gdb";
         fs::remove_all(other);
         Run({"index", index, "-o", other.string(), "--name-template", "[TFH]", "--layout", "shared",
              "--no-project", "--where", "TFH LIKE 'E45G0490%'"},
             work / "err");
         fs::remove_all(store);
         fs::rename(other, store);
         (void)c;
       }},
  };
  for (const auto& [name, damage] : damages) {
    const fs::path out = work / "out.gdb";
    for (const auto& entry : fs::directory_iterator(work))
      if (entry.path().filename().string().rfind("out.gdb", 0) == 0) fs::remove_all(entry.path());
    const fs::path err = work / ("run-" + name + ".err");
    Child child(SharedRun(index, out.string()), err);
    child.firstReport();
    kill(child.pid, SIGKILL);
    child.finish();
    const auto reported = Reported(Read(err));
    if (reported.empty()) continue;
    const std::string first = reported.front();
    damage(out.string() + ".checkpoint", out);
    const auto before = Files(out);
    const int status = Run({"preview", out.string(), "-o", (work / "p.png").string(), "--frame", first},
                           work / "preview.err");
    const auto after = Files(out);
    std::printf("%-28s preview exit %d; store %s (%zu files before, %zu after)\n", name.c_str(),
                WIFEXITED(status) ? WEXITSTATUS(status) : -1, before == after ? "unchanged" : "CHANGED",
                before.size(), after.size());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: leftover_bench CLI kill [moments] [.gdb|.gpkg] | CLI damage\n");
    return 2;
  }
  cli = fs::absolute(argv[1]).string();
  GDALAllRegister();
  CPLSetErrorHandler(CPLQuietErrorHandler);
  const fs::path work = fs::temp_directory_path() / ("leftover_bench-" + std::to_string(getpid()));
  fs::create_directories(work);
  const std::string mode = argv[2];
  const int status = mode == "kill"
                         ? Kill(work, argc > 3 ? std::atoi(argv[3]) : 50, argc > 4 ? argv[4] : ".gdb")
                         : Damage(work);
  fs::remove_all(work);
  return status;
}
