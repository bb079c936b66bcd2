// The control's events: fired to the sinks its containers advised on its one connection point.
#include "flash_object.h"

namespace swfcontrol {

void FlashObject::Fire(DISPID id, VARIANT* args, UINT count) {
  if (freezeEvents_ > 0) return;
  events_.Fire(id, args, count);
}

STDMETHODIMP FlashObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP FlashObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  try {
    return events_.Find(iid, point);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace swfcontrol
