#include "play_sequence.h"

#include <cmath>
#include <cwctype>

namespace player {

namespace {

std::u16string LowerExtension(const std::u16string& path) {
  size_t dot = path.find_last_of(u'.');
  if (dot == std::u16string::npos) return {};
  std::u16string ext = path.substr(dot + 1);
  for (auto& c : ext)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return ext;
}

}  // namespace

ItemKind KindOf(const std::u16string& path) {
  std::u16string ext = LowerExtension(path);
  if (ext == u"swf") return ItemKind::Movie;
  if (ext == u"htm" || ext == u"html") return ItemKind::Page;
  for (const char16_t* picture : {u"jpg", u"jpeg", u"bmp", u"gif", u"wmf", u"emf", u"exif", u"ico", u"png", u"tiff",
                                  u"tif"})
    if (ext == picture) return ItemKind::Picture;
  return ItemKind::Other;
}

int ItemQuality(uint32_t q) {
  switch (q) {
    case 0:
      return 2;
    case 1:
      return 1;
    case 2:
      return 0;
    default:
      return 3;
  }
}

void PlaySequence::Fill(const std::vector<Entry>& entries, uint32_t documentQuality, bool loop, ItemProber& prober) {
  items_.clear();
  const int quality = ItemQuality(documentQuality);
  for (size_t i = 0; i < entries.size(); ++i) {
    double seconds = entries[i].seconds;
    if (!loop && i + 1 == entries.size()) seconds = kLastItemSeconds;
    Add(entries[i].path, quality, seconds, prober);
  }
  loop_ = loop;
  startPending_ = true;
  finished_ = false;
  if (!items_.empty()) current_ = items_.front();
}

bool PlaySequence::Add(const std::u16string& path, int quality, double seconds, ItemProber& prober) {
  PlayItem item;
  item.path = path;
  item.quality = quality;
  // Times that are not numbers or are negative count as none at all.
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  const int64_t ms = static_cast<int64_t>(seconds * 1000.0);
  switch (KindOf(path)) {
    case ItemKind::Movie: {
      ItemProber::Movie movie;
      if (!prober.ProbeMovie(path, &movie)) return false;
      item.lastFrame = movie.frameCount > 0 ? movie.frameCount - 1 : 0;
      item.width = movie.width;
      item.height = movie.height;
      double natural = movie.frameRate < 1 ? 0.0 : movie.frameCount / movie.frameRate;
      item.timed = std::fabs(natural - seconds) > 0.5;
      item.playTime = item.timed ? ms : 0;
      break;
    }
    case ItemKind::Picture: {
      int w = 0, h = 0;
      prober.PictureSize(path, &w, &h);
      item.width = w;
      item.height = h;
      item.timed = true;
      item.playTime = ms;
      break;
    }
    case ItemKind::Page:
      item.timed = true;
      item.playTime = ms;
      item.width = item.height = 0;
      break;
    default:
      return false;
  }
  if (item.width <= 0 || item.height <= 0) {
    item.width = 400;
    item.height = 300;
  }
  items_.push_back(item);
  return true;
}

int64_t PlaySequence::Now() {
  int64_t t = clock_.TimeOfDay();
  // A time of day far below the last one means the clock passed midnight.
  if (lastTimeOfDay_ >= 0 && t < lastTimeOfDay_ - kDayMs / 2) ++days_;
  lastTimeOfDay_ = t;
  return days_ * kDayMs + t;
}

bool PlaySequence::PickNext(size_t* index) const {
  if (items_.empty()) return false;
  size_t next = currentIndex_ + 1;
  if (next >= items_.size()) {
    if (!loop_) return false;
    next = 0;
  }
  *index = next;
  return true;
}

bool PlaySequence::Start(size_t index) {
  currentIndex_ = index;
  current_ = items_[index];
  view_.Load(current_);
  if (paused_) view_.Stop();
  if (current_.timed) current_.endTime = Now() + current_.playTime;
  // A movie that never becomes ready must not hold the player for ever.
  const int64_t giveUp = Now() + 10000;
  while (!view_.IsReady() && Now() < giveUp) view_.PumpMessages();
  view_.ResetReady();
  stillTicks_ = 0;
  lastSeenFrame_ = view_.CurrentFrame();
  return true;
}

bool PlaySequence::GoToNext() {
  view_.Stop();
  size_t next = 0;
  if (!PickNext(&next)) {
    view_.Stop();
    lastSeenFrame_ = -1;
    finished_ = true;
    return false;
  }
  return Start(next);
}

bool PlaySequence::Wait() {
  if (stillTicks_ * kTickWeight > 2999) return GoToNext();
  ++stillTicks_;
  lastSeenFrame_ = view_.CurrentFrame();
  return false;
}

bool PlaySequence::Tick(PlayItem* current) {
  bool started = false;
  if (!view_.HasWindow()) {
    started = false;
  } else if (startPending_) {
    if (items_.empty()) return false;
    startPending_ = false;
    started = Start(0);
  } else if (paused_) {
    started = false;
  } else if (!current_.timed) {
    int f = view_.CurrentFrame();
    if (view_.IsPlaying()) {
      if (view_.IsReady()) {
        view_.ResetReady();
        lastSeenFrame_ = f;
        finished_ = true;
        started = false;
      } else if (f >= lastSeenFrame_) {
        if (current_.lastFrame == 0) {
          started = Wait();
        } else if (f != current_.lastFrame) {
          lastSeenFrame_ = f;
          started = false;
        } else {
          started = GoToNext();
        }
      } else {
        started = GoToNext();
      }
    } else if (current_.lastFrame == 0) {
      started = Wait();
    } else {
      started = GoToNext();
    }
  } else if (Now() - current_.endTime < 0) {
    started = false;
  } else {
    size_t next = 0;
    if (!PickNext(&next)) {
      view_.Stop();
      lastSeenFrame_ = -1;
      finished_ = true;
      started = false;
    } else {
      started = Start(next);
    }
  }
  if (current) *current = current_;
  return started;
}

void PlaySequence::PauseClock(bool pause) {
  if (pause) {
    if (!paused_) pausedSince_ = Now();
    paused_ = true;
    return;
  }
  if (paused_) current_.endTime += Now() - pausedSince_;
  paused_ = false;
}

}  // namespace player
