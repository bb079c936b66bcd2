#include "movie_host.h"

#include <algorithm>
#include <fstream>

#include "swfplayer/engine/player.h"

namespace swfcontrol {

void ViewTransform::ToStagePixels(double windowX, double windowY, double* stageX, double* stageY) const {
  *stageX = sx != 0 ? (windowX - tx) / sx / 20.0 : 0;
  *stageY = sy != 0 ? (windowY - ty) / sy / 20.0 : 0;
}

ViewTransform ComputeView(const swf::Rect& stage, const swf::Rect& zoom, int width, int height, int scaleMode) {
  ViewTransform view;
  const swf::Rect& shown = zoom.Empty() ? stage : zoom;
  double w = shown.xMax - shown.xMin, h = shown.yMax - shown.yMin;
  if (w <= 0 || h <= 0 || width <= 0 || height <= 0) return view;
  double fx = width / w, fy = height / h;
  switch (scaleMode) {
    case kNoScale: {
      // Natural size, except that a zoom rectangle still magnifies relative to the stage.
      double stageW = stage.xMax - stage.xMin, stageH = stage.yMax - stage.yMin;
      view.sx = zoom.Empty() || stageW <= 0 ? 0.05 : 0.05 * stageW / w;
      view.sy = zoom.Empty() || stageH <= 0 ? 0.05 : 0.05 * stageH / h;
      break;
    }
    case kExactFit:
      view.sx = fx;
      view.sy = fy;
      break;
    case kNoBorder:
      view.sx = view.sy = std::max(fx, fy);
      break;
    default:
      view.sx = view.sy = std::min(fx, fy);
      break;
  }
  // The visible rectangle is centred in the window.
  view.tx = (width - w * view.sx) / 2 - shown.xMin * view.sx;
  view.ty = (height - h * view.sy) / 2 - shown.yMin * view.sy;
  return view;
}

void TraceLog::Append(const std::string& line) const {
  if (path_.empty()) return;
  // Opened per line so that a reader sees every line at once, and the file is never held open.
  std::ofstream out(path_, std::ios::binary | std::ios::app);
  if (!out) return;
  out << line << '\n';
}

MovieHost::MovieHost(Events events, TraceLog trace) : events_(std::move(events)), trace_(std::move(trace)) {}

MovieHost::~MovieHost() = default;

std::unique_ptr<swf::Player> MovieHost::NewPlayer() {
  swf::PlayerCallbacks callbacks;
  callbacks.fscommand = [this](const std::string& command, const std::string& args) {
    trace_.FSCommand(command, args);
    if (events_.fscommand) events_.fscommand(command, args);
  };
  callbacks.trace = [this](const std::string& text) { trace_.Trace(text); };
  return std::make_unique<swf::Player>(std::move(callbacks));
}

bool MovieHost::Adopt(std::unique_ptr<swf::Player> player) {
  if (!player->Loaded()) return false;
  player_ = std::move(player);
  player_->SetLoop(loop_);
  if (events_.readyState) events_.readyState(4);
  return true;
}

bool MovieHost::Load(const std::filesystem::path& path) {
  auto player = NewPlayer();
  if (!player->LoadFile(path)) return false;
  return Adopt(std::move(player));
}

bool MovieHost::LoadBytes(std::span<const uint8_t> bytes) {
  auto player = NewPlayer();
  if (!player->LoadBytes(bytes)) return false;
  return Adopt(std::move(player));
}

void MovieHost::Unload() { player_.reset(); }
bool MovieHost::Loaded() const { return player_ && player_->Loaded(); }

void MovieHost::Tick() {
  if (Loaded()) player_->Advance();
}

double MovieHost::FrameRate() const { return Loaded() ? player_->MovieHeader().frameRate : 0; }
swf::Rect MovieHost::Stage() const { return Loaded() ? player_->MovieHeader().stage : swf::Rect{}; }
swf::Rgba MovieHost::Background() const { return Loaded() ? player_->BackgroundColor() : swf::Rgba{255, 255, 255, 255}; }

void MovieHost::Play() {
  if (Loaded()) player_->Play();
}
void MovieHost::Stop() {
  if (Loaded()) player_->Stop();
}
void MovieHost::Rewind() {
  if (Loaded()) player_->Rewind();
}
void MovieHost::Back() {
  if (Loaded()) player_->Back();
}
void MovieHost::Forward() {
  if (Loaded()) player_->Forward();
}
void MovieHost::GotoFrame(int frame) {
  if (Loaded()) player_->GotoFrame(frame);
}
int MovieHost::CurrentFrame() const { return Loaded() ? player_->CurrentFrame() : 0; }
int MovieHost::TotalFrames() const { return Loaded() ? player_->TotalFrames() : 0; }
bool MovieHost::IsPlaying() const { return Loaded() && player_->IsPlaying(); }
bool MovieHost::Loop() const { return loop_; }
void MovieHost::SetLoop(bool loop) {
  loop_ = loop;
  if (Loaded()) player_->SetLoop(loop);
}

void MovieHost::SetVariable(const std::string& name, const std::string& value) {
  trace_.SetVariable(name, value);
  if (Loaded()) player_->SetVariable(name, value);
}

std::string MovieHost::GetVariable(const std::string& name) {
  if (!Loaded()) return {};
  return player_->GetVariable(name).value_or(std::string());
}

bool MovieHost::TSetProperty(const std::string& target, int property, const std::string& value) {
  return Loaded() && player_->TSetProperty(target, property, value);
}

std::string MovieHost::TGetProperty(const std::string& target, int property) {
  if (!Loaded()) return {};
  return player_->TGetProperty(target, property).value_or(std::string());
}

void MovieHost::MouseMove(double x, double y) {
  if (Loaded()) player_->MouseMove(x, y);
}
void MovieHost::MouseDown() {
  if (Loaded()) player_->MouseDown();
}
void MovieHost::MouseUp() {
  if (Loaded()) player_->MouseUp();
}
void MovieHost::KeyDown(int keyCode, int charCode) {
  if (Loaded()) player_->KeyDown(keyCode, charCode);
}
void MovieHost::KeyUp(int keyCode, int charCode) {
  if (Loaded()) player_->KeyUp(keyCode, charCode);
}
bool MovieHost::MouseOverButton() const { return Loaded() && player_->MouseOverButton(); }

void MovieHost::BuildDisplayList(swf::DisplayList& out) const {
  if (Loaded()) {
    player_->BuildDisplayList(out);
  } else {
    out = swf::DisplayList{};
  }
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string FromUtf8(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<uint8_t>(text[i]);
    uint32_t c;
    size_t extra;
    if (b < 0x80) {
      c = b;
      extra = 0;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      extra = 2;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      extra = 3;
    } else {
      // Not UTF-8: the byte is taken as Latin-1, as older movies store their text.
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    bool valid = true;
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= text.size() || (static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
    }
    if (!valid) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

}  // namespace swfcontrol
