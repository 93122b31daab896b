// Headless rendering: the headless host stands in for the window; the picture is
// written atomically beside its final name; a batch runs its renders on worker threads.
#include "app/render.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "simulation/block_driver.h"
#include "simulation/compensation.h"
#include "simulation/draw_record.h"
#include "simulation/draw_sequence.h"
#include "simulation/drawing.h"
#include "simulation/file_saving.h"
#include "simulation/headless_host.h"
#include "simulation/machining_time.h"
#include "simulation/picture_file.h"
#include "simulation/program_check.h"
#include "simulation/program_file.h"
#include "simulation/program_text.h"
#include "simulation/run_progress.h"
#include "simulation/view_frame.h"
#include "simulation/view_redraw.h"

namespace marloq {

namespace {

// Canvases of a batch alive at once; beyond it fewer renders run side by side, so that
// --size 16384x16384 on many cores does not run out of memory.
constexpr uint64_t kBatchCanvasBytes = 1ULL << 30;

std::string WithExtension(const std::string& path, const char* extension) {
  return std::filesystem::path(path).replace_extension(extension).string();
}

// A render that takes longer than a second says how far it is, on one line of a
// terminal that it rewrites a few times a second and clears at the end.
class TProgressHost : public THeadlessHost {
 public:
  TProgressHost(TSimulation& sim, int width, int height, std::FILE* terminal, std::string program)
      : THeadlessHost(sim.Run, width, height), sim_(sim), terminal_(terminal), program_(std::move(program)) {
    StartRunProgress(progress_);
  }
  ~TProgressHost() override {
    if (shown_) std::fprintf(terminal_, "\r\033[K");
  }
  void ProcessMessages() override {
    THeadlessHost::ProcessMessages();
    if (terminal_ == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return;
    next_ = now + std::chrono::milliseconds(250);
    UpdateRunProgress(progress_, sim_);
    if (SecondsRunning(progress_) < 1.0) return;
    std::fprintf(terminal_, "\r%s: %s\033[K", program_.c_str(), RunProgressText(progress_).c_str());
    std::fflush(terminal_);
    shown_ = true;
  }

 private:
  TSimulation& sim_;
  std::FILE* terminal_;
  std::string program_;
  TRunProgress progress_;
  std::chrono::steady_clock::time_point next_;
  bool shown_ = false;
};

void Fail(TRenderResult& r, const std::string& message, int status = kExitBadInput) {
  r.Status = WorseExitStatus(r.Status, status);
  if (r.Error.empty()) r.Error = message;
  r.Messages.push_back(message);
}

// The DRAW's picture zoomed as the window zooms it, re-drawn from what the DRAW painted;
// false, saying why, for a zoom the window would not go to.
bool ZoomedPicture(const TSimulation& sim, const TRenderView& v, QImage& picture, std::string& error) {
  const TViewFrame fitted = sim.View.Frame();
  const int w = sim.Canvas.Width(), h = sim.Canvas.Height();
  const double scale = double(fitted.ViewScale) * v.Zoom;
  const double largest = kMaxViewScale / double(fitted.ViewScale);
  if (!(v.Zoom >= kMinZoomOfFit) || !(scale <= kMaxViewScale)) {
    char text[160];
    std::snprintf(text, sizeof text, "--view: zoom %.6g is outside 0.0625 to %.6g for this drawing", v.Zoom, largest);
    error = text;
    return false;
  }
  TRedrawRequest request;
  request.Record = sim.Record;
  request.Width = w;
  request.Height = h;
  request.DrawnView = fitted;
  request.DrawnHeight = h;
  const int x = v.AtPoint ? CanvasXOf(fitted, v.X * 100) : w / 2;
  const int y = v.AtPoint ? CanvasYOf(fitted, h, v.Y * 100) : h / 2;
  request.View = ZoomedView(fitted, h, x, y, static_cast<float>(scale));
  const std::atomic<bool> cancel{false};
  picture = RedrawView(request, cancel).Picture;
  return true;
}

// The log or the picture would overwrite the program itself (by any name): say so
// before anything is written.
std::string ProgramOverwrittenBy(const std::string& program, const std::string& log, const std::string& image) {
  for (const std::string* output : {&log, &image})
    if (SameFile(program, *output))
      return (output == &log ? "the log " : "the picture ") + *output + " would overwrite the program " + program;
  return {};
}

// Programs larger than this are checked before the DRAW rather than beside it: the
// check's own text and marks would come on top of the DRAW's.
constexpr size_t kMostCheckedBeside = 32u << 20;

void Render(const TRenderOptions& o, TRenderResult& r) {
  std::string error;
  auto bytes = ReadProgramFile(o.ProgramFile, error);
  if (!bytes) return Fail(r, error);
  auto sim = std::make_unique<TSimulation>();
  TProgressHost host(*sim, o.Width, o.Height, o.Progress, o.ProgramFile);
  host.SetComboBox1Index(o.Compensation);
  host.SetDrEditText(o.DrillText);
  sim->Host = &host;
  sim->Run.RunMode = true;
  sim->Run.ProgramFileName =
      std::filesystem::absolute(o.ProgramFile).lexically_normal().string();
  const std::string image = o.ImageFile.empty() ? WithExtension(o.ProgramFile, ".png") : o.ImageFile;
  const std::string clash = ProgramOverwrittenBy(o.ProgramFile, LogPathOf(sim->Run.ProgramFileName), image);
  if (!clash.empty()) return Fail(r, clash);
  sim->Guard.MaxBlocks = o.MaxBlocks;
  sim->Guard.MaxSteps = o.MaxSteps;
  sim->RecordsDraw = o.View.has_value();
  sim->Canvas.Resize(o.Width, o.Height);
  const bool large = bytes->size() > kMostCheckedBeside;
  // The lines over the file's bytes: millions of lines in little more than the file.
  const TSplitText split = SplitText(std::move(*bytes));
  const TEditorLines lines(split);
  r.Warning = LastLineWarning(lines);
  TCheckOptions check;
  check.Drill = o.DrillText;
  check.Side = o.Compensation;
  // The check has a simulation of its own: it reads the program on another core, or
  // after the DRAW when no thread can be had. A program of tens of megabytes is checked
  // first, so that the check's copy of it is gone before the DRAW makes its own.
  std::future<uint64_t> findings =
      std::async(large ? std::launch::deferred : std::launch::async | std::launch::deferred,
                 [&lines, check] { return CheckProgram(lines, check).Total; });
  if (large) findings.wait();
  LineButtonClick(*sim, lines);
  r.Findings = findings.get();
  QImage picture = sim->Canvas.Image();
  if (o.View && !ZoomedPicture(*sim, *o.View, picture, error)) return Fail(r, error);

  r.Ran = true;
  r.Summary = sim->Summary;
  r.GuardTripped = sim->Guard.Tripped();
  r.GuardStop = GuardStopText(sim->Guard);
  if (!sim->Log.Error().empty()) Fail(r, "the log is not whole: " + sim->Log.Error(), kExitNotWritten);
  if (!SavePicture(picture, image, error)) Fail(r, error, kExitNotWritten);
  r.MillingLength = host.Label1Text();  // DRAW leaves the milling length there
  while (!r.MillingLength.empty() && r.MillingLength.back() == ' ') r.MillingLength.pop_back();
  // What the window would show after the run: M06 and H blocks change it.
  r.Tool = "Drill (mm): " + host.DrEditText() + "  RadiusKorrektur: " +
           std::string(kComboBox1Items[ComboBox1Choice(host.ComboBox1Index())]);
  if (r.GuardTripped) r.Status = WorseExitStatus(r.Status, kExitGuard);
}

std::string GuardMessage(const TRenderResult& r) {
  return r.GuardStop + " in the run (--max-blocks, --max-steps); log and picture show the run up to there";
}

// The files a render writes, as they are on disk, to find two renders of a batch that
// would write the same log or picture at the same time.
std::vector<std::string> OutputsOf(const std::string& program) {
  std::vector<std::string> outputs;
  std::error_code ec;
  const std::string named = std::filesystem::absolute(program, ec).lexically_normal().string();
  for (const std::string& path : {LogPathOf(named), WithExtension(program, ".png")}) {
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    const std::filesystem::path real = std::filesystem::weakly_canonical(absolute, ec);
    outputs.push_back((ec ? absolute.lexically_normal() : real).string());
  }
  return outputs;
}

// A later program whose log or picture is an earlier one's is refused, not raced.
std::vector<std::string> OutputClashes(const std::vector<std::string>& programs) {
  std::vector<std::string> clashes(programs.size());
  std::map<std::string, size_t> writer;  // each output and the first program writing it
  for (size_t i = 0; i < programs.size(); ++i) {
    const std::vector<std::string> outputs = OutputsOf(programs[i]);
    for (const std::string& path : outputs) {
      const auto it = writer.find(path);
      if (it == writer.end()) continue;
      clashes[i] = programs[i] + " would write " + path + " as " + programs[it->second] + " does";
      break;
    }
    if (clashes[i].empty())
      for (const std::string& path : outputs) writer.emplace(path, i);
  }
  return clashes;
}

unsigned BatchThreads(size_t programs, const TRenderOptions& o, unsigned maxThreads) {
  const uint64_t canvas = uint64_t(o.Width) * uint64_t(o.Height) * 2;
  uint64_t n = maxThreads ? maxThreads : std::max(1u, std::thread::hardware_concurrency());
  n = std::min<uint64_t>(n, std::max<uint64_t>(1, kBatchCanvasBytes / std::max<uint64_t>(canvas, 1)));
  return static_cast<unsigned>(std::min<uint64_t>(n, programs));
}

void PrintWarning(const std::string& program, const TRenderResult& r, std::FILE* err) {
  if (!r.Warning.empty())
    std::fprintf(err, "marloq: %s: %s\n", program.c_str(), r.Warning.c_str());
  if (r.Findings > 0) std::fprintf(err, "%s\n", FindingsHint(program, r.Findings).c_str());
}

void PrintSingle(const std::string& program, const TRenderResult& r, std::FILE* out, std::FILE* err) {
  PrintWarning(program, r, err);
  for (const std::string& m : r.Messages) std::fprintf(err, "marloq: %s\n", m.c_str());
  if (r.Ran) {
    std::fprintf(out, "%s\n%s\n%s\n", r.MillingLength.c_str(), MachiningTimeText(r.Summary.Time).c_str(),
                 r.Tool.c_str());
  }
  if (r.GuardTripped) std::fprintf(err, "marloq: %s\n", GuardMessage(r).c_str());
}

void PrintInBatch(const std::string& program, const TRenderResult& r,
                  std::FILE* out, std::FILE* err) {
  std::fprintf(out, "%s\n", RenderSummaryLine(program, r).c_str());
  std::fflush(out);
  PrintWarning(program, r, err);
  for (const std::string& m : r.Messages) std::fprintf(err, "marloq: %s: %s\n", program.c_str(), m.c_str());
  if (r.GuardTripped) std::fprintf(err, "marloq: %s: %s\n", program.c_str(), GuardMessage(r).c_str());
  std::fflush(err);
}

}  // namespace

TRenderResult RenderOne(const TRenderOptions& options) {
  TRenderResult r;
  try {
    Render(options, r);
  } catch (const std::bad_alloc&) {
    r = TRenderResult{};
    Fail(r, "out of memory rendering " + options.ProgramFile);
  } catch (const std::exception& e) {
    r = TRenderResult{};
    Fail(r, options.ProgramFile + ": " + e.what());
  } catch (...) {
    r = TRenderResult{};
    Fail(r, "cannot render " + options.ProgramFile);
  }
  return r;
}

int WorseExitStatus(int a, int b) {
  const auto rank = [](int status) {
    return status == kExitBadInput ? 3 : status == kExitNotWritten ? 2 : status == kExitGuard ? 1 : 0;
  };
  return rank(a) >= rank(b) ? a : b;
}

std::string RenderSummaryLine(const std::string& program, const TRenderResult& r) {
  std::string line = program + ": ";
  if (r.Ran) {
    line += r.MillingLength + ", " + MachiningTimeText(r.Summary.Time) + ", " +
            std::to_string(r.Summary.Blocks) + " blocks, " + std::to_string(r.Summary.Steps) + " steps, ";
  }
  if (r.GuardTripped) line += "stopped (guard)";
  if (!r.Error.empty()) line += (r.GuardTripped ? ", error: " : "error: ") + r.Error;
  if (!r.GuardTripped && r.Error.empty()) line += "done";
  return line;
}

int RenderPrograms(const std::vector<std::string>& programs, const TRenderOptions& options,
                   std::FILE* out, std::FILE* err, unsigned maxThreads) {
  if (programs.size() == 1) {
    TRenderOptions o = options;
    o.ProgramFile = programs[0];
    if (isatty(fileno(err))) o.Progress = err;
    const TRenderResult r = RenderOne(o);
    PrintSingle(o.ProgramFile, r, out, err);
    return r.Status;
  }
  if (!options.ImageFile.empty()) {
    std::fprintf(err, "marloq: --image goes only with one program\n");
    return kExitBadInput;
  }
  const std::vector<std::string> clashes = OutputClashes(programs);
  std::vector<TRenderResult> results(programs.size());
  std::vector<char> finished(programs.size(), 0);
  std::mutex mutex;
  std::condition_variable resultReady;
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < programs.size();) {
      TRenderResult r;
      if (!clashes[i].empty()) {
        Fail(r, clashes[i]);
      } else {
        TRenderOptions o = options;
        o.ProgramFile = programs[i];
        r = RenderOne(o);
      }
      {
        std::lock_guard lock(mutex);
        results[i] = std::move(r);
        finished[i] = 1;
      }
      resultReady.notify_all();
    }
  };
  std::vector<std::thread> workers;
  const unsigned threads = BatchThreads(programs.size(), options, maxThreads);
  for (unsigned t = 0; t < threads; ++t) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // the system gives no more threads: those running share the work
    }
  }
  if (workers.empty()) work();
  int status = kExitDone;
  for (size_t i = 0; i < programs.size(); ++i) {
    std::unique_lock lock(mutex);
    resultReady.wait(lock, [&] { return finished[i] != 0; });
    const TRenderResult r = std::move(results[i]);
    lock.unlock();
    PrintInBatch(programs[i], r, out, err);
    status = WorseExitStatus(status, r.Status);
  }
  for (std::thread& worker : workers) worker.join();
  return status;
}

int RenderProgram(const TRenderOptions& options) {
  return RenderPrograms({options.ProgramFile}, options, stdout, stderr);
}

}  // namespace marloq
