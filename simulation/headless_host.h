// Headless host: a simulation host of plain values for the command line, tests and
// benchmarks. Waits for the user end at once, as if "NextPos" were pressed.
#pragma once

#include <string>
#include <string_view>

#include "simulation/simulation_host.h"
#include "simulation/view_state.h"

namespace marloq {

class THeadlessHost : public TSimulationHost {
 public:
  THeadlessHost(TRunControl& run, int canvasWidth, int canvasHeight)
      : run_(run), width_(canvasWidth), height_(canvasHeight) {}

  std::string Label1Text() const override { return label1_; }
  void SetLabel1Text(std::string_view t) override { label1_.assign(t); }
  std::string StaticText1Text() const override { return staticText1_; }
  void SetStaticText1Text(std::string_view t) override { staticText1_.assign(t); }
  void SetFileButtonCaption(std::string_view t) override { fileButton_.assign(t); }
  void SetStop1Caption(std::string_view t) override { stop1_.assign(t); }
  void SetLineButtonEnabled(bool enabled) override { lineButtonEnabled_ = enabled; }
  int ComboBox1Index() const override { return comboIndex_; }
  void SetComboBox1Index(int index) override { comboIndex_ = index; }
  std::string DrEditText() const override { return drill_; }
  void SetDrEditText(std::string_view t) override { drill_.assign(t); }
  int CanvasWidth() const override { return width_; }
  int CanvasHeight() const override { return height_; }
  void CanvasChanged(const TDirtyRect&) override {}
  // Nobody watches a headless run: its message points cost nothing, and only the waits
  // (where "NextPos" is pressed) process messages.
  bool FrameDue() override { return false; }
  bool HasFrames() const override { return false; }
  void ProcessMessages() override {
    ++messagePumps_;
    run_.NextPosRequest = true;
  }

  const std::string& FileButtonCaption() const { return fileButton_; }
  const std::string& Stop1Caption() const { return stop1_; }
  bool LineButtonEnabled() const { return lineButtonEnabled_; }
  long MessagePumps() const { return messagePumps_; }

 private:
  TRunControl& run_;
  int width_, height_;
  int comboIndex_ = 1;       // "keine", as the window starts
  std::string drill_ = "1,0";  // as the window starts
  std::string label1_, staticText1_, fileButton_ = "File", stop1_ = "EXIT";
  bool lineButtonEnabled_ = true;
  long messagePumps_ = 0;
};

}  // namespace marloq
