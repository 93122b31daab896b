// Test helper: the real main window on the offscreen platform, with ways to act while
// a DRAW runs (timers fire inside the run's message processing) and to answer dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid/simulated_hid_platform.h"
#include "window/main_window.h"
#include "window/program_editor.h"

namespace marloq::test {

inline std::filesystem::path WindowScratch() {
  auto d = std::filesystem::temp_directory_path() / ("marloq-window-" + std::to_string(::getpid()));
  std::filesystem::create_directories(d);
  return d;
}

inline std::filesystem::path WriteProgram(const std::string& name, const std::string& text) {
  const auto path = WindowScratch() / name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

inline std::string ReadProgramBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

template <typename T = QWidget>
T* Control(QWidget* form, const char* name) {
  return form->findChild<T*>(QString::fromLatin1(name));
}

// Runs action every period while the event loop turns, until it returns false or the
// owner (the window under test) is gone.
inline void Repeatedly(QObject* owner, int periodMs, std::function<bool()> action) {
  auto* t = new QTimer(owner);
  t->setInterval(periodMs);
  QObject::connect(t, &QTimer::timeout, [t, action] {
    if (!action()) t->deleteLater(), t->stop();
  });
  t->start();
}

// Runs the event loop until done() or the time is up; true when done.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.hasExpired(timeoutMs)) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// What the window must write for a text: L, the text, zeros up to R.
inline std::vector<uint8_t> LineReportOf(const std::string& text, size_t length = 65) {
  std::vector<uint8_t> r(length, 0);
  r[0] = static_cast<uint8_t>(text.size());
  std::copy(text.begin(), text.end(), r.begin() + 1);
  return r;
}

// Answers the next modal dialog (file dialog or message box) with the given action.
inline void AnswerNextDialog(QObject* owner, std::function<void(QWidget*)> answer) {
  Repeatedly(owner, 5, [answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return true;
    answer(modal);
    return false;
  });
}

// Presses the button of the next message box whose caption starts with `button`;
// next() runs just before, to answer the dialog the press leads to.
inline void PressInNextBox(QObject* owner, const QString& button, std::function<void()> next = {}) {
  AnswerNextDialog(owner, [button, next](QWidget* dialog) {
    for (QAbstractButton* b : static_cast<QMessageBox*>(dialog)->buttons()) {
      if (!b->text().startsWith(button)) continue;
      if (next) next();
      b->click();
      return;
    }
    ADD_FAILURE() << "no button " << button.toStdString();
  });
}

// The window at its starting size, shown, with the program (if any) loaded.
inline std::unique_ptr<TForm1> ShownWindow(const std::filesystem::path& program,
                                           THidPlatform* platform = nullptr) {
  QStringList arguments{"marloq"};
  if (!program.empty()) arguments << QString::fromStdString(program.string());
  auto form = std::make_unique<TForm1>(arguments, platform);
  form->resize(900, 597);
  form->show();
  QApplication::processEvents();
  return form;
}

// A window linked to a simulated HID platform, with a program put in its editor.
struct TLinkedWindow : testing::Test {
  TSimulatedHidPlatform platform;

  std::unique_ptr<TForm1> Open(const std::string& program) {
    auto form = ShownWindow({}, &platform);
    form->Editor()->setPlainText(QString::fromLatin1(program.c_str()));
    return form;
  }
  static QPushButton* Cnc(TForm1* form) { return Control<QPushButton>(form, "Button_CNC"); }
  static std::string Editor(TForm1* form) { return form->Editor()->toPlainText().toStdString(); }
};

}  // namespace marloq::test
