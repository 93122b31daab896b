// The host of a simulation: everything the engine needs from a window. The main window
// implements it with widgets, the headless renderer with plain values.
#pragma once

#include <string>
#include <string_view>

namespace marloq {

struct TDirtyRect {
  int Left, Top, Right, Bottom;  // pixels, right and bottom exclusive; empty when Left >= Right
};

class TSimulationHost {
 public:
  virtual ~TSimulationHost() = default;

  virtual std::string Label1Text() const = 0;
  virtual void SetLabel1Text(std::string_view text) = 0;
  virtual std::string StaticText1Text() const = 0;
  virtual void SetStaticText1Text(std::string_view text) = 0;
  virtual void SetFileButtonCaption(std::string_view caption) = 0;
  virtual void SetStop1Caption(std::string_view caption) = 0;
  virtual void SetLineButtonEnabled(bool enabled) = 0;
  virtual int ComboBox1Index() const = 0;  // 0 "Links", 1 "keine", 2 "Rechts"
  virtual void SetComboBox1Index(int index) = 0;
  virtual std::string DrEditText() const = 0;
  virtual void SetDrEditText(std::string_view text) = 0;

  virtual int CanvasWidth() const = 0;
  virtual int CanvasHeight() const = 0;
  // The canvas changed inside this rectangle since the last call; repaint it.
  virtual void CanvasChanged(const TDirtyRect& dirty) = 0;

  // Whether the run's message point hands its work over now: the log to disk, the
  // canvas' changes and ProcessMessages. A window says yes at the screen's pace, so
  // between frames a message point costs this call alone; waits hand over always.
  virtual bool FrameDue() { return true; }
  // Whether the host ever shows the run between its waits. One that does not (a
  // headless render) never sees the position at each millimetre, so the engine need
  // not work it out.
  virtual bool HasFrames() const { return true; }
  // Process pending window messages once: the run's only points of responsiveness.
  // Clicks handled here only set run-control flags.
  virtual void ProcessMessages() = 0;
  // The same while the run waits for the user: may sleep until the next message
  // instead of spinning.
  virtual void WaitForMessages() { ProcessMessages(); }
};

// The window's fields a DRAW reads and may write: the milling length, the position
// shown, the drill and the compensation side.
struct TWindowFields {
  std::string Label1, StaticText1, Drill;
  int Side = 1;
  bool operator==(const TWindowFields&) const = default;
};

inline TWindowFields WindowFieldsOf(const TSimulationHost& host) {
  return {host.Label1Text(), host.StaticText1Text(), host.DrEditText(), host.ComboBox1Index()};
}

inline void SetWindowFields(TSimulationHost& host, const TWindowFields& f) {
  host.SetLabel1Text(f.Label1);
  host.SetStaticText1Text(f.StaticText1);
  host.SetDrEditText(f.Drill);
  host.SetComboBox1Index(f.Side);
}

}  // namespace marloq
