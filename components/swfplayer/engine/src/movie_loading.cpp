// Movies loaded beside the first: loadMovieNum into levels, loadMovie into clips, unloading, and the addresses
// (_url) of what they show. Only files beside the first movie (or in folders below it) are read.
#include <algorithm>
#include <cctype>
#include <fstream>

#include "builtins.h"
#include "runtime.h"
#include "text.h"

namespace swf {
namespace {

constexpr std::streamsize kMaxSiblingBytes = 256 << 20;

bool IsFsCommand(const std::string& url) {
  static const std::string kPrefix = "FSCommand:";
  return url.size() >= kPrefix.size() && std::equal(kPrefix.begin(), kPrefix.end(), url.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

// A relative name below the movie's folder, with '/' between its parts; empty when it leaves the folder, names
// a scheme, a drive or the root, or is no name at all.
std::string SiblingName(const std::string& url) {
  std::string name = url;
  std::replace(name.begin(), name.end(), '\\', '/');
  if (name.empty() || name[0] == '/' || name.find(':') != std::string::npos) return {};
  std::string out;
  size_t pos = 0;
  while (pos <= name.size()) {
    size_t end = name.find('/', pos);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return {};
    if (!out.empty()) out += '/';
    out += part;
  }
  return out;
}

}  // namespace

const MovieDef& Runtime::MovieOf(const DisplayObject* o) const {
  int guard = 0;
  for (const DisplayObject* p = o; p && guard < 1024; p = p->parent, ++guard)
    if (p->type == DisplayObject::Type::Clip && static_cast<const ClipObject*>(p)->source)
      return *static_cast<const ClipObject*>(p)->source;
  return *movie;
}

std::string Runtime::UrlOf(const DisplayObject* o) const {
  int guard = 0;
  for (const DisplayObject* p = o; p && guard < 1024; p = p->parent, ++guard)
    if (p->type == DisplayObject::Type::Clip && !static_cast<const ClipObject*>(p)->url.empty())
      return static_cast<const ClipObject*>(p)->url;
  return url;
}

ClipObject* Runtime::RootOf(const DisplayObject* o) const {
  int guard = 0;
  while (o && o->parent && guard++ < 1024) o = o->parent;
  if (o && o->type == DisplayObject::Type::Clip && !o->removed)
    return const_cast<ClipObject*>(static_cast<const ClipObject*>(o));
  return root;
}

ClipObject* Runtime::LevelRoot(int level) const {
  if (level == 0) return root;
  auto it = levels.find(level);
  return it == levels.end() ? nullptr : it->second;
}

void Runtime::GetUrl(const std::string& address, const std::string& target, ClipObject* loadInto) {
  if (!IsFsCommand(address)) {
    int level;
    if (loadInto && !loadInto->removed) {
      if (loads.size() < kMaxLoadedMovies) loads.push_back({address, loadInto->level, loadInto->level < 0 ? loadInto : nullptr});
      return;
    }
    if (LevelName(target, level)) {
      if (loads.size() < kMaxLoadedMovies) loads.push_back({address, level, nullptr});
      return;
    }
  }
  Fscommand(address, target);
}

void Runtime::LoadVariables(const std::string& address, ClipObject* into, int level) {
  if (address.empty() || loads.size() >= kMaxLoadedMovies || (into && into->removed)) return;
  loads.push_back({address, into ? -1 : level, into, true});
}

bool Runtime::ReadSiblingBytes(const std::string& name, std::vector<uint8_t>& bytes, std::string& relative) const {
  relative = SiblingName(name);
  if (baseFolder.empty() || relative.empty()) return false;
  std::ifstream in(baseFolder + "/" + relative, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamsize size = in.tellg();
  if (size < 0 || size > kMaxSiblingBytes) return false;
  in.seekg(0, std::ios::beg);
  bytes.assign(static_cast<size_t>(size), 0);
  return size == 0 || static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()), size));
}

void Runtime::ApplyVariables(ClipObject* target, const std::vector<uint8_t>& text) {
  const int ver = MovieOf(target).header.version;
  std::string all(text.begin(), text.end());
  // Text files saved as UTF-8 often begin with a byte order mark, which is no part of the first name.
  if (ver >= 6 && all.compare(0, 3, "\xEF\xBB\xBF") == 0) all.erase(0, 3);
  heap.Charge(all.size() * 2);
  if (heap.Exhausted()) return;
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('&', pos);
    if (end == std::string::npos) end = all.size();
    std::string pair = all.substr(pos, end - pos);
    pos = end + 1;
    size_t eq = pair.find('=');
    std::string name = DecodeStringData(Unescape(pair.substr(0, eq)), ver);
    if (name.empty()) continue;
    std::string value = eq == std::string::npos ? std::string() : DecodeStringData(Unescape(pair.substr(eq + 1)), ver);
    target->Set(name, Value(std::move(value)));
  }
}

std::shared_ptr<const MovieDef> Runtime::ReadSibling(const std::string& name, std::string& address) {
  std::string relative;
  std::vector<uint8_t> bytes;
  if (loadedMovies.size() >= kMaxLoadedMovies || !ReadSiblingBytes(name, bytes, relative) || bytes.empty())
    return nullptr;
  auto loaded = LoadMovie(bytes);
  if (!loaded) return nullptr;
  loadedMovies.push_back(loaded);
  size_t slash = url.rfind('/');
  address = (slash == std::string::npos ? std::string() : url.substr(0, slash + 1)) + relative;
  return loaded;
}

void Runtime::ProcessLoads() {
  std::vector<LoadRequest> todo;
  todo.swap(loads);
  for (const LoadRequest& r : todo) {
    if (!root || (r.target && r.target->removed)) continue;
    if (r.variables) {
      // Variables arrive as strings on the clip, which then hears data; what cannot be read changes nothing.
      ClipObject* into = r.target ? r.target : LevelRoot(r.level);
      std::vector<uint8_t> text;
      std::string relative;
      if (!into || into->removed || !ReadSiblingBytes(r.url, text, relative)) continue;
      ApplyVariables(into, text);
      QueueClipEvent(into, kClipData);
      continue;
    }
    std::string address;
    std::shared_ptr<const MovieDef> m;
    if (!r.url.empty()) {
      m = ReadSibling(r.url, address);
      if (!m) continue;  // what cannot be read leaves the target as it was
    }
    const TimelineDef* timeline = m ? &m->main : emptyClip.sprite.get();
    ClipObject* made = nullptr;
    if (r.target) {
      ClipObject* old = r.target;
      ClipObject* parent = old->parent;
      if (!parent) continue;
      made = heap.Make<ClipObject>(clipProto, *this, timeline);
      made->parent = parent;
      made->depth = old->depth;
      made->name = old->name;
      made->characterId = old->characterId;
      made->matrix = old->matrix;
      made->cxform = old->cxform;
      made->clipDepth = old->clipDepth;
      made->placedByScript = old->placedByScript;
      made->clipActions = old->clipActions;
      RemoveChild(parent, old->depth);
      parent->children[made->depth] = made;
    } else if (r.level == 0) {
      // A movie on level 0 replaces everything shown.
      if (!m) continue;
      for (auto& [n, clip] : levels) Unloaded(clip);
      levels.clear();
      Unloaded(root);
      made = heap.Make<ClipObject>(clipProto, *this, timeline);
      made->level = 0;
      root = made;
    } else if (r.level > 0) {
      if (ClipObject* old = LevelRoot(r.level)) {
        levels.erase(r.level);
        Unloaded(old);
      }
      if (!m) continue;
      made = heap.Make<ClipObject>(clipProto, *this, timeline);
      made->level = r.level;
      levels[r.level] = made;
    }
    if (!made) continue;
    made->source = m;
    made->url = address;
    made->bornTick = tick;
    execution.push_back(made);
    QueueClipEvent(made, kClipLoad);
    EnterFrame(made, 0, true);
  }
}

}  // namespace swf
