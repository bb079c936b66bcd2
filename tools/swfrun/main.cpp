// swfrun: plays a movie without a window and prints what it traces, for authors
// and for conformance runs; the FSCommands it sends go to standard error.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "swfplayer/engine/player.h"

namespace {

constexpr const char* kUsage =
    "usage: swfrun FILE.swf [--frames N] [--var NAME=VALUE ...]\n"
    "Plays FILE.swf without a window and prints each trace text on standard output; each\n"
    "FSCommand goes to standard error (\"fscommand: COMMAND|ARGS\"), and \"quit\" ends the run.\n"
    "Without --frames it plays until the main timeline has stopped and no script ran for a\n"
    "second of movie time, or for 10 seconds of movie time.\n";

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "swfrun: %s\n", problem);
  std::fputs(kUsage, stderr);
  return 2;
}

// Each carriage return in a trace text is a line break of its own, as in the authoring tool's output window,
// so "a\r\nb" shows an empty line between a and b.
void PrintLines(const std::string& text, FILE* to) {
  std::string out;
  out.reserve(text.size() + 1);
  for (char ch : text) out += ch == '\r' ? '\n' : ch;
  out += '\n';
  std::fwrite(out.data(), 1, out.size(), to);
}

bool IsQuit(const std::string& command) {
  static const char kQuit[] = "quit";
  if (command.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i)
    if (std::tolower(static_cast<unsigned char>(command[i])) != kQuit[i]) return false;
  return true;
}

bool ParseCount(const char* s, long& out) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < 0) return false;
  out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The same bytes on every platform, so outputs can be compared.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  const char* file = nullptr;
  long frames = -1;
  std::vector<std::pair<std::string, std::string>> vars;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--frames") {
      if (i + 1 >= argc || !ParseCount(argv[++i], frames)) return Usage("--frames needs a whole number");
    } else if (a == "--var") {
      if (i + 1 >= argc) return Usage("--var needs NAME=VALUE");
      std::string nv = argv[++i];
      size_t eq = nv.find('=');
      if (eq == std::string::npos || eq == 0) return Usage("--var needs NAME=VALUE");
      vars.emplace_back(nv.substr(0, eq), nv.substr(eq + 1));
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return Usage(("unknown option " + a).c_str());
    } else if (!file) {
      file = argv[i];
    } else {
      return Usage("only one movie can be played");
    }
  }
  if (!file) return Usage(nullptr);

  bool quit = false;
  swf::PlayerCallbacks cb;
  cb.trace = [](const std::string& text) { PrintLines(text, stdout); };
  cb.fscommand = [&quit](const std::string& command, const std::string& args) {
    std::fflush(stdout);
    PrintLines("fscommand: " + command + "|" + args, stderr);
    if (IsQuit(command)) quit = true;
  };
  swf::Player player(cb);
  if (!player.LoadFile(file)) {
    std::fprintf(stderr, "swfrun: cannot read %s as a movie\n", file);
    return 1;
  }
  for (auto& [name, value] : vars) player.SetVariable(name, value);

  double rate = player.MovieHeader().frameRate;
  long perSecond = rate >= 1 ? static_cast<long>(rate + 0.5) : 12;
  long limit = frames >= 0 ? frames : 10 * perSecond;
  long quietFrames = 0;
  for (long f = 0; f < limit && !quit; ++f) {
    bool ran = player.Advance();
    quietFrames = ran ? 0 : quietFrames + 1;
    if (frames < 0 && player.MainTimelineStopped() && quietFrames >= perSecond) break;
  }
  std::fflush(stdout);
  return 0;
}
