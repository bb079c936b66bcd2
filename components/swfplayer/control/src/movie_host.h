// The engine behind the control: one movie, its clock, its trace file, and how its stage maps onto a window.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "swfplayer/engine/display_list.h"
#include "swfplayer/engine/geometry.h"

namespace swf {
class Player;
}

namespace swfcontrol {

enum ScaleMode : int { kShowAll = 0, kNoBorder = 1, kExactFit = 2, kNoScale = 3 };

// Stage twips to window pixels: x' = x * sx + tx, y' = y * sy + ty.
struct ViewTransform {
  double sx = 0.05, sy = 0.05, tx = 0, ty = 0;
  void ToStagePixels(double windowX, double windowY, double* stageX, double* stageY) const;
};

// Fits the visible part of the stage (the zoom rectangle when it is not empty) into a window of the given size.
ViewTransform ComputeView(const swf::Rect& stage, const swf::Rect& zoom, int width, int height, int scaleMode);

// Appends the lines authors and tests read: "trace: TEXT", "fscommand: COMMAND|ARGS", "setvariable: NAME=VALUE".
class TraceLog {
 public:
  TraceLog() = default;
  explicit TraceLog(std::filesystem::path path) : path_(std::move(path)) {}
  bool enabled() const { return !path_.empty(); }
  void Trace(const std::string& text) const { Append("trace: " + text); }
  void FSCommand(const std::string& command, const std::string& args) const {
    Append("fscommand: " + command + "|" + args);
  }
  void SetVariable(const std::string& name, const std::string& value) const {
    Append("setvariable: " + name + "=" + value);
  }

 private:
  void Append(const std::string& line) const;
  std::filesystem::path path_;
};

// One loaded movie and the state the host sets on it; a failed load keeps the movie that was playing.
class MovieHost {
 public:
  struct Events {
    std::function<void(const std::string& command, const std::string& args)> fscommand;
    std::function<void(int state)> readyState;
  };

  explicit MovieHost(Events events = {}, TraceLog trace = {});
  ~MovieHost();
  MovieHost(const MovieHost&) = delete;
  MovieHost& operator=(const MovieHost&) = delete;

  bool Load(const std::filesystem::path& path);
  bool LoadBytes(std::span<const uint8_t> bytes);
  void Unload();
  bool Loaded() const;

  // One tick of the movie clock; the first tick after a load shows the first frame.
  void Tick();
  double FrameRate() const;
  swf::Rect Stage() const;
  swf::Rgba Background() const;

  void Play();
  void Stop();
  void Rewind();
  void Back();
  void Forward();
  void GotoFrame(int frame);
  int CurrentFrame() const;
  int TotalFrames() const;
  bool IsPlaying() const;
  bool Loop() const;
  void SetLoop(bool loop);

  void SetVariable(const std::string& name, const std::string& value);
  std::string GetVariable(const std::string& name);
  bool TSetProperty(const std::string& target, int property, const std::string& value);
  std::string TGetProperty(const std::string& target, int property);

  // Stage pixels.
  void MouseMove(double x, double y);
  void MouseDown();
  void MouseUp();
  bool MouseOverButton() const;
  // Key codes as Key.getCode gives them (the virtual-key codes) and the character typed, 0 for none.
  void KeyDown(int keyCode, int charCode);
  void KeyUp(int keyCode, int charCode);

  void BuildDisplayList(swf::DisplayList& out) const;

 private:
  std::unique_ptr<swf::Player> NewPlayer();
  bool Adopt(std::unique_ptr<swf::Player> player);

  Events events_;
  TraceLog trace_;
  std::unique_ptr<swf::Player> player_;
  bool loop_ = true;
};

// UTF-16 text of the COM side and the engine's UTF-8.
std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);

}  // namespace swfcontrol
