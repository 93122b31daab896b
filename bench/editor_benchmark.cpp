// The program editor on a long program: a keystroke with its highlighting and repaint,
// loading and highlighting the whole text, the run-line mark moving through it, and the
// window opening a program file of 60 MB.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "bench/program_generator.h"
#include "window/main_window.h"
#include "window/program_editor.h"
#include "window/program_highlighter.h"

namespace {

constexpr int kLines = 100'000;

QString LongProgram() {
  QStringList lines;
  lines.reserve(kLines);
  for (int i = 0; i < kLines; ++i) lines << QStringLiteral("N%1 G1 X12.5 Y-3 ;c").arg(i);
  return lines.join(u'\n');
}

const QString& Program() {
  static const QString text = LongProgram();
  return text;
}

template <typename TEditor>
std::unique_ptr<TEditor> ShownEditor() {
  auto editor = std::make_unique<TEditor>();
  QFont f(QStringLiteral("Courier"));
  f.setStyleHint(QFont::TypeWriter);
  f.setPixelSize(17);
  editor->setFont(f);
  editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  editor->resize(400, 600);
  editor->show();
  QApplication::processEvents();
  return editor;
}

void Key(QWidget* w, Qt::Key key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

// One character typed into the middle of the program, highlighted and painted; the
// backspace that keeps the line from growing is not timed.
template <typename TEditor>
void BM_Keystroke(benchmark::State& state) {
  auto editor = ShownEditor<TEditor>();
  editor->setPlainText(Program());
  QTextCursor c(editor->document()->findBlockByNumber(kLines / 2));
  c.movePosition(QTextCursor::EndOfWord);
  editor->setTextCursor(c);
  editor->centerCursor();
  QApplication::processEvents();
  for (auto _ : state) {
    Key(editor.get(), Qt::Key_7, QStringLiteral("7"));
    QApplication::processEvents();
    state.PauseTiming();
    Key(editor.get(), Qt::Key_Backspace, QString());
    QApplication::processEvents();
    state.ResumeTiming();
  }
  if (editor->blockCount() != kLines) state.SkipWithError("the program changed shape");
}
BENCHMARK(BM_Keystroke<marloq::TProgramEditor>)->Name("BM_Keystroke/highlighted")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Keystroke<QPlainTextEdit>)->Name("BM_Keystroke/plain")->Unit(benchmark::kMicrosecond);

// setPlainText of the whole program until the event loop is idle, highlighting included.
template <typename TEditor>
void BM_LoadProgram(benchmark::State& state) {
  auto editor = ShownEditor<TEditor>();
  for (auto _ : state) {
    editor->setPlainText(Program());
    QApplication::processEvents();
    state.PauseTiming();
    editor->clear();
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadProgram<marloq::TProgramEditor>)->Name("BM_LoadProgram/highlighted")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProgram<QPlainTextEdit>)->Name("BM_LoadProgram/plain")->Unit(benchmark::kMillisecond);

// The run reporting its lines in order, as DRAW does: with a repaint after each (the
// worst case), and without, as when several lines pass between two repaints.
void BM_RunLineSteps(benchmark::State& state) {
  const bool paint = state.range(0) != 0;
  auto editor = ShownEditor<marloq::TProgramEditor>();
  editor->setPlainText(Program());
  QApplication::processEvents();
  int line = 0;
  for (auto _ : state) {
    editor->ShowRunLine(line);
    if (paint) QApplication::processEvents();
    line = (line + 1) % kLines;
  }
}
BENCHMARK(BM_RunLineSteps)->ArgName("painted")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// A Ctrl-click on the drawing selecting lines far apart.
void BM_SelectFarLine(benchmark::State& state) {
  auto editor = ShownEditor<marloq::TProgramEditor>();
  editor->setPlainText(Program());
  QApplication::processEvents();
  int line = 0;
  for (auto _ : state) {
    line = (line + 37'813) % kLines;
    editor->SelectLine(line);
    QApplication::processEvents();
  }
}
BENCHMARK(BM_SelectFarLine)->Unit(benchmark::kMicrosecond);

// The window opening a generated program of about 60 MB (2 million blocks), from the
// file to the first paint, and the program check that the load starts. Its peak_rss counter is the whole process's peak, generator
// included: run this benchmark alone (--benchmark_filter=OpenLargeProgram) to read it.
void BM_OpenLargeProgram(benchmark::State& state) {
  const auto file = std::filesystem::temp_directory_path() / ("marloq-open-" + std::to_string(::getpid()) + ".CNC");
  {
    marloq::bench::TGeneratorOptions options;
    options.Blocks = 2'010'000;
    std::ofstream(file, std::ios::binary) << marloq::bench::GenerateProgram(options).Text;
  }
  marloq::TForm1 form(QStringList{QStringLiteral("marloq")});
  form.resize(900, 597);
  form.show();
  QApplication::processEvents();
  for (auto _ : state) {
    form.LoadProgramFile(QString::fromStdString(file.string()));
    QApplication::processEvents();
  }
  // The check the load started goes on while the window takes events: check_ms after
  // the load its report came, and the GUI thread never went longer than gap_ms without
  // taking one (a 1 ms timer's ticks).
  using TClock = std::chrono::steady_clock;
  const auto loaded = TClock::now();
  auto* count = form.findChild<QLabel*>(QStringLiteral("FindingsCount"));
  double gapMs = 0;
  auto last = loaded;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const auto now = TClock::now();
    gapMs = std::max(gapMs, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
  });
  tick.start(1);
  while (count->text().isEmpty()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const auto checked = TClock::now();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["check_ms"] = std::chrono::duration<double, std::milli>(checked - loaded).count();
  state.counters["gap_ms"] = gapMs;
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  state.counters["lines"] = form.Editor()->blockCount();
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
  std::filesystem::remove(file);
}
BENCHMARK(BM_OpenLargeProgram)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_HighlightSpans(benchmark::State& state) {
  const QString line = QStringLiteral("N12345 G1 X-12,5 Y7.25 Z-1 F200 M06T? ;cut");
  for (auto _ : state) benchmark::DoNotOptimize(marloq::HighlightSpans(line));
}
BENCHMARK(BM_HighlightSpans);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
