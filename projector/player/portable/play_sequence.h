// The play list's sequencing: which item shows, when it is finished, and which comes next.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace player {

inline constexpr int64_t kDayMs = 24LL * 3600 * 1000;

struct PlayItem {
  std::u16string path;
  int lastFrame = 0;  // frame count - 1 for movies, 0 for other items
  int width = 400;
  int height = 300;
  int quality = 3;  // 0, 1, 2, or 3 = the movie's own
  bool timed = false;
  int64_t playTime = 0;  // milliseconds
  int64_t endTime = 0;   // on the sequence's running clock
  bool operator==(const PlayItem&) const = default;
};

// What the sequence asks of the content view.
class PlayView {
 public:
  virtual ~PlayView() = default;
  virtual bool HasWindow() const = 0;
  virtual bool Load(const PlayItem& item) = 0;
  virtual void Stop() = 0;
  virtual bool IsPlaying() = 0;
  virtual int CurrentFrame() = 0;
  virtual bool IsReady() = 0;
  virtual void ResetReady() = 0;
  // Lets waiting window messages through while a movie gets ready.
  virtual void PumpMessages() = 0;
};

// The local time of day in milliseconds; it starts again at 0 at midnight.
class PlayClock {
 public:
  virtual ~PlayClock() = default;
  virtual int64_t TimeOfDay() = 0;
};

// What the sequence needs to know of a file before it is added.
class ItemProber {
 public:
  virtual ~ItemProber() = default;
  struct Movie {
    int frameCount = 0;
    double frameRate = 0;
    int width = 0;
    int height = 0;
  };
  virtual bool ProbeMovie(const std::u16string& path, Movie* movie) = 0;
  virtual bool PictureSize(const std::u16string& path, int* width, int* height) = 0;
};

enum class ItemKind { Movie, Picture, Page, Other };
// By the extension after the last dot, without regard to case.
ItemKind KindOf(const std::u16string& path);
// The document's quality setting as the value each item gets: 0 -> 2, 1 -> 1, 2 -> 0, other -> 3.
int ItemQuality(uint32_t documentQuality);

// Steps through the items on the player's timer.
class PlaySequence {
 public:
  static constexpr int kTickWeight = 40;
  static constexpr double kLastItemSeconds = 9999999;

  PlaySequence(PlayView& view, PlayClock& clock) : view_(view), clock_(clock) {}

  struct Entry {
    std::u16string path;
    float seconds = 0;
  };
  // Fills the list from the document's entries; without looping the last one is shown without time limit.
  void Fill(const std::vector<Entry>& entries, uint32_t documentQuality, bool loop, ItemProber& prober);
  bool Add(const std::u16string& path, int quality, double seconds, ItemProber& prober);

  // True when a new item was started; *current is the item now on show.
  bool Tick(PlayItem* current);
  void PauseClock(bool pause);

  bool finished() const { return finished_; }
  bool paused() const { return paused_; }
  const PlayItem& current() const { return current_; }
  const std::vector<PlayItem>& items() const { return items_; }
  bool loop() const { return loop_; }

 private:
  // The time of day made monotonic across midnight, so an item ending after midnight ends on time.
  int64_t Now();
  bool Start(size_t index);
  bool GoToNext();
  bool PickNext(size_t* index) const;
  bool Wait();

  PlayView& view_;
  PlayClock& clock_;
  std::vector<PlayItem> items_;
  bool startPending_ = true;
  bool paused_ = false;
  bool loop_ = false;
  bool finished_ = false;
  int lastSeenFrame_ = -1;
  int stillTicks_ = 0;
  PlayItem current_;
  size_t currentIndex_ = 0;
  int64_t pausedSince_ = 0;
  int64_t lastTimeOfDay_ = -1;
  int64_t days_ = 0;
};

}  // namespace player
