// The children of a timeline by depth and by name, and instance names that keep the index current.
#include "runtime.h"

#include <cctype>

namespace swf {

bool NamesCaseSensitive(const Runtime& rt) { return rt.version >= 7; }

InstanceName& InstanceName::operator=(std::string name) {
  std::string old = std::move(static_cast<std::string&>(*this));
  static_cast<std::string&>(*this) = std::move(name);
  if (owner_.parent) owner_.parent->children.Renamed(&owner_, old);
  return *this;
}

ChildList::Slot::operator DisplayObject*() const {
  auto it = list_.byDepth_.find(depth_);
  return it == list_.byDepth_.end() ? nullptr : it->second;
}

std::string ChildList::Fold(const std::string& name) const {
  if (caseSensitive_) return name;
  std::string k = name;
  for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return k;
}

void ChildList::Unindex(int depth, const std::string& name) {
  auto bucket = byName_.find(Fold(name));
  if (bucket == byName_.end()) return;
  bucket->second.erase(depth);
  if (bucket->second.empty()) byName_.erase(bucket);
}

ChildList::const_iterator ChildList::erase(const_iterator it) {
  Unindex(it->first, it->second->name);
  return byDepth_.erase(it);
}

void ChildList::Put(int depth, DisplayObject* o) {
  auto it = byDepth_.find(depth);
  if (it != byDepth_.end()) {
    Unindex(depth, it->second->name);
    if (!o) {
      byDepth_.erase(it);
      return;
    }
    it->second = o;
  } else if (o) {
    byDepth_.emplace(depth, o);
  } else {
    return;
  }
  byName_[Fold(o->name)][depth] = o;
}

DisplayObject* ChildList::ByName(const std::string& name) const {
  auto bucket = byName_.find(Fold(name));
  return bucket == byName_.end() || bucket->second.empty() ? nullptr : bucket->second.begin()->second;
}

void ChildList::Renamed(DisplayObject* o, const std::string& oldName) {
  auto bucket = byName_.find(Fold(oldName));
  if (bucket == byName_.end()) return;
  // The object's depth field may lag behind while depths are being swapped, so its entries are looked for.
  std::vector<int> depths;
  auto at = bucket->second.find(o->depth);
  if (at != bucket->second.end() && at->second == o) {
    depths.push_back(o->depth);
  } else {
    for (auto& [d, child] : bucket->second)
      if (child == o) depths.push_back(d);
  }
  for (int d : depths) {
    Unindex(d, oldName);
    byName_[Fold(o->name)][d] = o;
  }
}

}  // namespace swf
