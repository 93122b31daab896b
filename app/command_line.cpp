// Command line: every value is checked here, so a bad option fails before any work.
#include "app/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "simulation/compensation.h"
#include "simulation/system_text.h"

namespace marloq {

const char* const kUsage =
    "usage: marloq [FILE.CNC] [LINK]  open the window, with FILE loaded when it exists\n"
    "       marloq --render FILE.CNC... [--image OUT.png] [--drill MM] [--compensation Links|keine|Rechts]\n"
    "                                   [--size WxH] [--max-blocks N] [--max-steps N] [--view ZOOM[,X,Y]]\n"
    "       marloq --blocks FILE.CNC [--max-blocks N]\n"
    "       marloq --check FILE.CNC...\n"
    "       marloq --send FILE.CNC [--resume-line N] [LINK]\n"
    "       marloq --list-hid\n"
    "       marloq --help | --version\n"
    "  --render  run one DRAW without a window: writes FILE.LOG and the picture (default FILE.png),\n"
    "            prints the milling length and the machining time; several programs are drawn\n"
    "            side by side with the same options (--image only with one), one line each;\n"
    "            exit 0 when all were done, 2 when one had bad input, else 5 when a log or\n"
    "            picture could not be written, else 3 when a guard stopped one\n"
    "            --max-blocks N  blocks the run may take (default 5000000)\n"
    "            --max-steps N   unit steps the run may take (default 1000000000)\n"
    "            --view ZOOM[,X,Y]  the picture zoomed by ZOOM (1/16 up to 10 pixels per 0.01 mm)\n"
    "                            about the point X,Y in mm, or about the middle, as the window zooms\n"
    "  --check   say where the interpreter reads a program differently from how it looks:\n"
    "            FILE:LINE:COL: warning: MESSAGE [KIND] per finding, then a summary line;\n"
    "            exit 0 without findings, 1 with findings, 2 when a file could not be read\n"
    "  --blocks  list the blocks the interpreter reads, with codes and end points in mm\n"
    "  --send    send the program to the milling controller line by line, printing its answers;\n"
    "            exit 0 when every line was answered, 4 when one failed, 2 without a controller\n"
    "            --resume-line N  start at line N, the one \"Error HID LineN\" named\n"
    "  --list-hid  list the HID devices present, with product strings and report lengths\n"
    "  LINK: --answer-timeout SECONDS   how long to wait for each answer (default 10)\n"
    "        --simulate-controller[=silent|=unplug:N]\n"
    "            a simulated controller instead of the USB devices: it answers every line\n"
    "            (\"ok\" and its number), never (silent), or N lines and then vanishes\n";

namespace {

// Seconds as a decimal number, kept in whole milliseconds; at most a day.
bool ParseSeconds(const std::string& v, int& ms) {
  double seconds = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), seconds);
  if (ec != std::errc() || end != v.data() + v.size() || !(seconds >= 0.001) || seconds > 86400) return false;
  ms = static_cast<int>(seconds * 1000 + 0.5);
  return true;
}

// Where an option belongs, as the message names it; every option is refused elsewhere.
const char* OptionHome(const std::string& option, TJob job) {
  if (option == "--max-blocks")
    return job == TJob::Render || job == TJob::ListBlocks ? nullptr : "--render or --blocks";
  if (option == "--resume-line") return job == TJob::Send ? nullptr : "--send";
  if (option == "--answer-timeout" || option == "--simulate-controller")
    return job == TJob::Window || job == TJob::Send ? nullptr : "the window or --send";
  return job == TJob::Render ? nullptr : "--render";
}

bool ParseCount(const std::string& v, unsigned long long& out) {
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  return ec == std::errc() && end == v.data() + v.size() && out > 0;
}

// ZOOM or ZOOM,X,Y: numbers with a point; a zoom above 0, a point within the positions
// the interpreter holds (32 bits of 0.01 mm).
bool ParseView(const std::string& v, TRenderView& view) {
  constexpr double kFarthestMm = 21'474'836.47;
  double numbers[3];
  size_t n = 0, from = 0;
  for (;;) {
    const size_t comma = v.find(',', from);
    const size_t to = comma == std::string::npos ? v.size() : comma;
    if (n == 3) return false;
    const auto [end, ec] = std::from_chars(v.data() + from, v.data() + to, numbers[n]);
    if (ec != std::errc() || end != v.data() + to || !std::isfinite(numbers[n])) return false;
    ++n;
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  if ((n != 1 && n != 3) || !(numbers[0] > 0)) return false;
  view.Zoom = numbers[0];
  view.AtPoint = n == 3;
  if (n == 3) {
    view.X = numbers[1];
    view.Y = numbers[2];
    if (std::fabs(view.X) > kFarthestMm || std::fabs(view.Y) > kFarthestMm) return false;
  }
  return true;
}

bool ParseSize(const std::string& v, int& w, int& h) {
  const size_t x = v.find('x');
  if (x == std::string::npos) return false;
  const auto a = std::from_chars(v.data(), v.data() + x, w);
  const auto b = std::from_chars(v.data() + x + 1, v.data() + v.size(), h);
  return a.ec == std::errc() && a.ptr == v.data() + x && b.ec == std::errc() &&
         b.ptr == v.data() + v.size() && w >= 1 && h >= 1 && w <= 16384 && h <= 16384;
}

// The drill as the window shows it: one decimal, the system's separator.
bool ParseDrill(const std::string& v, std::string& text) {
  const std::string normal = [&] {
    std::string t = v;
    for (char& c : t) if (c == ',') c = '.';
    return t;
  }();
  float mm = 0;
  const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), mm);
  if (ec != std::errc() || end != normal.data() + normal.size() || !(mm >= 0) || mm > 655.0f) return false;
  text = FormatSystem("%1.1Lf", mm);
  return true;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine cl;
  const auto bad = [&](const std::string& message) {
    cl.Error = message;
    return cl;
  };
  std::vector<std::string> options;  // those that need a job of their own
  std::string positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      cl.Job = TJob::Help;
      return cl;
    }
    if (a == "--version") {
      cl.Job = TJob::Version;
      return cl;
    }
    if (a == "--list-hid") {
      if (args.size() > 1) return bad("--list-hid takes no other argument");
      cl.Job = TJob::ListHid;
      return cl;
    }
    if (a.rfind("--simulate-controller", 0) == 0) {
      if (!ParseSimulatedControllerBehaviour(a.substr(21), cl.Link.Behaviour))
        return bad("--simulate-controller takes nothing, =silent or =unplug:N, not '" + a + "'");
      cl.Link.Simulated = true;
      options.push_back("--simulate-controller");
      continue;
    }
    if (a.rfind("--", 0) != 0) {
      if (cl.Job == TJob::Render || cl.Job == TJob::Check) {
        (cl.Job == TJob::Render ? cl.RenderFiles : cl.CheckFiles).push_back(a);
        continue;
      }
      // The window's rule: one argument names the program to open.
      if (!positional.empty()) return bad("unexpected argument '" + a + "'");
      positional = a;
      continue;
    }
    static constexpr std::string_view kValueOptions[] = {
        "--render", "--blocks", "--send", "--check", "--image", "--drill", "--compensation",
        "--view", "--size", "--max-blocks", "--max-steps", "--resume-line", "--answer-timeout"};
    if (std::find(std::begin(kValueOptions), std::end(kValueOptions), a) == std::end(kValueOptions))
      return bad("unknown option '" + a + "'");
    if (i + 1 >= args.size()) return bad(a + " needs a value");
    const std::string& v = args[++i];
    unsigned long long n = 0;
    if (a == "--check") {
      if (cl.Job != TJob::Window) return bad(a + " comes after another job");
      if (v.rfind("--", 0) == 0) return bad("--check needs a program file, not '" + v + "'");
      cl.Job = TJob::Check;
      cl.CheckFiles.push_back(v);
      continue;
    }
    if (a == "--render" || a == "--blocks" || a == "--send") {
      if (cl.Job != TJob::Window) return bad(a + " comes after another job");
      cl.Job = a == "--render" ? TJob::Render : a == "--blocks" ? TJob::ListBlocks : TJob::Send;
      // Else "--render --image x.png a.CNC" would draw over the picture x.png, and
      // "--send --simulate-controller" would look for a file of that name.
      if (v.rfind("--", 0) == 0) return bad(a + " needs a program file, not '" + v + "'");
      (cl.Job == TJob::Send ? cl.SendFile : cl.Render.ProgramFile) = v;
      if (cl.Job == TJob::Render) cl.RenderFiles.push_back(v);
      continue;
    }
    options.push_back(a);
    if (a == "--image") {
      cl.Render.ImageFile = v;
    } else if (a == "--drill") {
      if (!ParseDrill(v, cl.Render.DrillText))
        return bad("--drill takes a diameter in mm from 0 to 655, not '" + v + "'");
    } else if (a == "--compensation") {
      const auto* item = std::find(std::begin(kComboBox1Items), std::end(kComboBox1Items), v);
      if (item == std::end(kComboBox1Items))
        return bad("--compensation takes Links, keine or Rechts, not '" + v + "'");
      cl.Render.Compensation = static_cast<int>(item - std::begin(kComboBox1Items));
    } else if (a == "--view") {
      TRenderView view;
      if (!ParseView(v, view))
        return bad("--view takes ZOOM or ZOOM,X,Y: a zoom above 0 and a point in mm, numbers with a '.', not '" + v + "'");
      cl.Render.View = view;
    } else if (a == "--size") {
      if (!ParseSize(v, cl.Render.Width, cl.Render.Height))
        return bad("--size takes WIDTHxHEIGHT in pixels from 1 to 16384, not '" + v + "'");
    } else if (a == "--max-blocks") {
      if (!ParseCount(v, n)) return bad("--max-blocks takes a positive whole number, not '" + v + "'");
      cl.Render.MaxBlocks = n;
      cl.MaxListedBlocks = n > 1000000000ULL ? 1000000000L : static_cast<long>(n);
    } else if (a == "--max-steps") {
      if (!ParseCount(v, n)) return bad("--max-steps takes a positive whole number, not '" + v + "'");
      cl.Render.MaxSteps = n;
    } else if (a == "--resume-line") {
      const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), cl.SendFromLine);
      if (ec != std::errc() || end != v.data() + v.size() || cl.SendFromLine < 0)
        return bad("--resume-line takes the line index of \"Error HID Line\", not '" + v + "'");
    } else if (a == "--answer-timeout") {
      if (!ParseSeconds(v, cl.Link.AnswerTimeoutMs))
        return bad("--answer-timeout takes seconds from 0.001 to 86400, not '" + v + "'");
    } else {
      return bad("unknown option '" + a + "'");
    }
  }
  if (!positional.empty()) {
    if (cl.Job != TJob::Window) return bad("unexpected argument '" + positional + "'");
    cl.WindowFile = positional;
  }
  for (const std::string& option : options)
    if (const char* home = OptionHome(option, cl.Job)) return bad(option + " goes only with " + home);
  if (cl.RenderFiles.size() > 1 && !cl.Render.ImageFile.empty()) return bad("--image goes only with one program");
  return cl;
}

}  // namespace marloq
