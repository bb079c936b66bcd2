// The host surface over the runtime: loading, the play controls, variables and
// timeline properties by name, mouse input and the display list.
#include "swfplayer/engine/player.h"

#include <cmath>
#include <fstream>

#include "runtime.h"

namespace swf {
namespace {
const Header kNoHeader{};
constexpr std::streamsize kMaxFileBytes = 256 << 20;
}  // namespace

Player::Player(PlayerCallbacks callbacks, PlayerLimits limits)
    : rt_(std::make_unique<Runtime>(std::move(callbacks), limits)) {}

Player::~Player() = default;

bool Player::LoadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamsize size = in.tellg();
  if (size < 0 || size > kMaxFileBytes) return false;
  in.seekg(0, std::ios::beg);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (size && !in.read(reinterpret_cast<char*>(bytes.data()), size)) return false;
  if (!LoadBytes(bytes)) return false;
  // Movies it loads are read from its folder; its address is a file address ("file:///C|/dir/name.swf").
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  if (ec) full = path;
  rt_->baseFolder = full.parent_path().string();
  std::string address = full.generic_string();
  if (address.size() >= 2 && address[1] == ':') address[1] = '|';
  if (!address.empty() && address[0] != '/') address = "/" + address;
  rt_->url = "file://" + address;
  return true;
}

bool Player::LoadBytes(std::span<const uint8_t> bytes) {
  auto movie = LoadMovie(bytes);
  if (!movie) return false;
  rt_->Load(std::move(movie));
  if (rt_->cb.readyState) rt_->cb.readyState(4);
  return true;
}

void Player::Unload() { rt_->Unload(); }
bool Player::Loaded() const { return rt_->root != nullptr; }
int Player::ReadyState() const { return Loaded() ? 4 : 0; }
const Header& Player::MovieHeader() const { return rt_->movie ? rt_->movie->header : kNoHeader; }
std::shared_ptr<const MovieDef> Player::Movie() const { return rt_->movie; }

bool Player::Advance() {
  if (!Loaded()) return false;
  if (rt_->started) {
    double rate = rt_->movie->header.frameRate;
    rt_->timeMs += 1000.0 / (rate > 0 ? rate : 12.0);
  }
  return rt_->Advance();
}

uint64_t Player::ActionsRun() const { return rt_->actionsThisFrame; }
void Player::SetTime(double ms) { rt_->timeMs = ms; }
double Player::Time() const { return rt_->timeMs; }

namespace {
// Host controls act on a movie whose first frame is showing.
void EnsureStarted(Runtime& rt) {
  if (rt.root && !rt.started) rt.Advance();
  rt.BeginBudget();
}
}  // namespace

void Player::Play() {
  if (!Loaded()) return;
  rt_->root->playing = true;
}
void Player::Stop() {
  if (!Loaded()) return;
  rt_->root->playing = false;
}
void Player::Rewind() {
  if (!Loaded()) return;
  EnsureStarted(*rt_);
  rt_->root->playing = false;
  rt_->GotoFrame(rt_->root, 0);
  rt_->RunQueue();
}
void Player::Back() {
  if (!Loaded()) return;
  EnsureStarted(*rt_);
  rt_->root->playing = false;
  rt_->GotoFrame(rt_->root, rt_->root->frame - 1);
  rt_->RunQueue();
}
void Player::Forward() {
  if (!Loaded()) return;
  EnsureStarted(*rt_);
  rt_->root->playing = false;
  rt_->GotoFrame(rt_->root, rt_->root->frame + 1);
  rt_->RunQueue();
}
void Player::GotoFrame(int frame) {
  if (!Loaded()) return;
  EnsureStarted(*rt_);
  rt_->GotoFrame(rt_->root, frame);
  rt_->RunQueue();
}
int Player::CurrentFrame() const { return Loaded() ? std::max(rt_->root->frame, 0) : 0; }
int Player::TotalFrames() const { return Loaded() ? rt_->root->TotalFrames() : 0; }
bool Player::IsPlaying() const { return Loaded() && rt_->root->playing; }
bool Player::Loop() const { return rt_->loop; }
void Player::SetLoop(bool loop) { rt_->loop = loop; }
bool Player::MainTimelineStopped() const {
  if (!Loaded()) return true;
  return !rt_->root->playing || (!rt_->loop && rt_->root->frame + 1 >= rt_->root->TotalFrames());
}

void Player::SetVariable(const std::string& name, const std::string& value) {
  if (!Loaded()) return;
  std::string path, leaf = name;
  size_t cut = name.find_last_of(":.");
  if (cut != std::string::npos) path = name.substr(0, cut), leaf = name.substr(cut + 1);
  DisplayObject* owner = path.empty() ? rt_->root : rt_->ResolveTarget(rt_->root, path);
  if (owner) owner->Set(leaf, Value(value));
}

std::optional<std::string> Player::GetVariable(const std::string& name) {
  if (!Loaded()) return std::nullopt;
  std::string path, leaf = name;
  size_t cut = name.find_last_of(":.");
  if (cut != std::string::npos) path = name.substr(0, cut), leaf = name.substr(cut + 1);
  DisplayObject* owner = path.empty() ? rt_->root : rt_->ResolveTarget(rt_->root, path);
  Value v;
  if (!owner || !owner->Get(leaf, v) || v.IsUndefined()) return std::nullopt;
  return ToString(v, rt_->version);
}

bool Player::TSetProperty(const std::string& target, int property, const std::string& value) {
  if (!Loaded() || property < 0 || property >= kPropCount) return false;
  DisplayObject* o = rt_->ResolveTarget(rt_->root, target.empty() ? "/" : target);
  if (!o) return false;
  rt_->SetProperty(o, property, Value(value));
  return true;
}

std::optional<std::string> Player::TGetProperty(const std::string& target, int property) {
  if (!Loaded() || property < 0 || property >= kPropCount) return std::nullopt;
  DisplayObject* o = rt_->ResolveTarget(rt_->root, target.empty() ? "/" : target);
  if (!o) return std::nullopt;
  Value v = rt_->GetProperty(o, property);
  if (v.IsBoolean()) return std::string(v.AsBool() ? "1" : "0");
  return ToString(v, rt_->version);
}

void Player::MouseMove(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  rt_->MouseMove(x * 20.0, y * 20.0);
}
void Player::MouseDown() { rt_->MouseButton(true); }
void Player::MouseUp() { rt_->MouseButton(false); }
bool Player::MouseOverButton() const { return rt_->hover != nullptr; }
void Player::KeyDown(int keyCode, int charCode) { rt_->KeyEvent(keyCode, charCode, true); }
void Player::KeyUp(int keyCode, int charCode) { rt_->KeyEvent(keyCode, charCode, false); }

Rgba Player::BackgroundColor() const { return rt_->background; }
int Player::Quality() const { return rt_->quality; }

void Player::BuildDisplayList(DisplayList& out) const { rt_->Build(out); }

}  // namespace swf
