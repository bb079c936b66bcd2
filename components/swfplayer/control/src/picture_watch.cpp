#include "picture_watch.h"

namespace swfcontrol {

namespace {

bool SameMatrix(const swf::Matrix& a, const swf::Matrix& b) {
  return a.a == b.a && a.b == b.b && a.c == b.c && a.d == b.d && a.tx == b.tx && a.ty == b.ty;
}

bool SameColorTransform(const swf::ColorTransform& a, const swf::ColorTransform& b) {
  return a.rMul == b.rMul && a.gMul == b.gMul && a.bMul == b.bMul && a.aMul == b.aMul && a.rAdd == b.rAdd &&
         a.gAdd == b.gAdd && a.bAdd == b.bAdd && a.aAdd == b.aAdd;
}

bool SameRect(const swf::Rect& a, const swf::Rect& b) {
  return a.xMin == b.xMin && a.yMin == b.yMin && a.xMax == b.xMax && a.yMax == b.yMax;
}

bool SameItem(const swf::DisplayItem& a, const swf::DisplayItem& b) {
  if (a.kind != b.kind || a.shape != b.shape || a.text != b.text || a.textValue != b.textValue ||
      !SameMatrix(a.matrix, b.matrix) || !SameColorTransform(a.cxform, b.cxform) ||
      a.maskShapes.size() != b.maskShapes.size())
    return false;
  for (size_t i = 0; i < a.maskShapes.size(); ++i)
    if (a.maskShapes[i].shape != b.maskShapes[i].shape || !SameMatrix(a.maskShapes[i].matrix, b.maskShapes[i].matrix))
      return false;
  return true;
}

}  // namespace

bool SamePicture(const swf::DisplayList& a, const swf::DisplayList& b) {
  if (a.movie != b.movie || !(a.background == b.background) || !SameRect(a.stage, b.stage) ||
      a.items.size() != b.items.size())
    return false;
  for (size_t i = 0; i < a.items.size(); ++i)
    if (!SameItem(a.items[i], b.items[i])) return false;
  return true;
}

bool PictureWatch::Changed(const MovieHost& host) {
  swf::DisplayList now;
  host.BuildDisplayList(now);
  bool changed = !known_ || !SamePicture(now, last_);
  last_ = std::move(now);
  known_ = true;
  return changed;
}

}  // namespace swfcontrol
