#pragma once
// The host surface of the engine: load a movie, drive it frame by frame on the
// host's clock, feed it mouse input, read and write its variables and
// properties, and take each frame's display list.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "swfplayer/engine/display_list.h"
#include "swfplayer/engine/movie.h"

namespace swf {

class Runtime;

struct PlayerCallbacks {
  std::function<void(const std::string& command, const std::string& args)> fscommand;
  std::function<void(const std::string& text)> trace;
  std::function<void(int state)> readyState;   // 4 once a movie is loaded
  // GetURL to anything but "FSCommand:"; the host decides what to do with it.
  std::function<void(const std::string& url, const std::string& target)> getUrl;
};

// Timeline property numbers of TSetProperty / TGetProperty and GetProperty.
enum PropertyIndex : int {
  kPropX = 0, kPropY, kPropXScale, kPropYScale, kPropCurrentFrame, kPropTotalFrames, kPropAlpha, kPropVisible,
  kPropWidth, kPropHeight, kPropRotation, kPropTarget, kPropFramesLoaded, kPropName, kPropDropTarget, kPropUrl,
  kPropHighQuality, kPropFocusRect, kPropSoundBufTime, kPropQuality, kPropXMouse, kPropYMouse, kPropCount
};

// Limits that stop runaway scripts, as the player abandons a script that runs too long.
struct PlayerLimits {
  uint64_t actionsPerFrame = 1'000'000;  // across all scripts run for one frame
  int callDepth = 256;
  size_t stackSize = 1u << 16;
  size_t bytesPerFrame = 64u << 20;  // bytes of strings and array elements scripts may make or copy per frame
};

class Player {
 public:
  explicit Player(PlayerCallbacks callbacks = {}, PlayerLimits limits = {});
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  bool LoadFile(const std::filesystem::path& path);
  bool LoadBytes(std::span<const uint8_t> bytes);
  void Unload();
  bool Loaded() const;
  int ReadyState() const;            // 0 without a movie, 4 once loaded
  const Header& MovieHeader() const; // zeros without a movie
  std::shared_ptr<const MovieDef> Movie() const;

  // One tick of the movie clock: the first call shows frame 0 and runs its
  // scripts; later calls move playing timelines on. Returns whether any script ran.
  bool Advance();
  // Actions executed during the last Advance (or host call that ran scripts).
  uint64_t ActionsRun() const;
  // Milliseconds of movie time that getTimer reports; Advance adds one frame's worth.
  void SetTime(double milliseconds);
  double Time() const;

  void Play();
  void Stop();
  void Rewind();                     // to frame 0, stopped
  void Back();                       // one frame back, stopped
  void Forward();                    // one frame on, stopped
  void GotoFrame(int frame);         // 0-based, keeps the play state
  int CurrentFrame() const;          // 0-based
  int TotalFrames() const;
  bool IsPlaying() const;
  bool Loop() const;
  void SetLoop(bool loop);
  bool MainTimelineStopped() const;

  void SetVariable(const std::string& name, const std::string& value);
  std::optional<std::string> GetVariable(const std::string& name);
  bool TSetProperty(const std::string& target, int property, const std::string& value);
  std::optional<std::string> TGetProperty(const std::string& target, int property);

  // Stage coordinates in pixels.
  void MouseMove(double x, double y);
  void MouseDown();
  void MouseUp();
  // Whether the mouse is over something that takes clicks (a button).
  bool MouseOverButton() const;
  // A key went down or up: its key code as Key.getCode reports it (37 left, 13 enter, 65 "A"...)
  // and the character it typed, 0 for none.
  void KeyDown(int keyCode, int charCode);
  void KeyUp(int keyCode, int charCode);

  Rgba BackgroundColor() const;
  int Quality() const;               // 0 low, 1 high, 2 best

  void BuildDisplayList(DisplayList& out) const;

 private:
  std::unique_ptr<Runtime> rt_;
};

}  // namespace swf
