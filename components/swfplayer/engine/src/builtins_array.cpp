// Array: the constructor, its sort constants and every prototype method, sort and sortOn with their flags.
#include <algorithm>
#include <cctype>

#include "builtins.h"

namespace swf {
namespace {

enum SortFlags : int { kCaseInsensitive = 1, kDescending = 2, kUniqueSort = 4, kReturnIndexedArray = 8, kNumeric = 16 };

constexpr size_t kMaxJoin = 16u << 20;

Value Wrap(ArrayObject* a) { return Value(static_cast<Object*>(a)); }

// An index argument of slice and splice, converted before the array's length is looked at, since the
// conversion may run a script that changes the array.
double IndexArg(Interpreter& in, std::span<const Value> args, size_t i, double fallback) {
  return IntArg(in, args, i, fallback, -1e15, 1e15);
}

// Negative counts from the end; the result lies in [0, n].
size_t Relative(double d, size_t n) {
  double len = static_cast<double>(n);
  return static_cast<size_t>(d < 0 ? std::max(0.0, len + d) : std::min(d, len));
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// An element as the built-in orders compare it: by number with NUMERIC (NaN after every number), otherwise
// by its text, lowered for CASEINSENSITIVE. Keys are made once per element, so toString runs once for each.
struct SortKey {
  std::string text;
  double number = 0;
};

SortKey MakeKey(Interpreter& in, const Value& v, int flags) {
  SortKey k;
  if (flags & kNumeric) {
    k.number = Num(in, v);
  } else {
    k.text = Str(in, v);
    if (flags & kCaseInsensitive) k.text = Lower(std::move(k.text));
  }
  return k;
}

int CompareKeys(const SortKey& a, const SortKey& b, int flags) {
  int r;
  if (flags & kNumeric) {
    double x = a.number, y = b.number;
    bool xn = std::isnan(x), yn = std::isnan(y);
    r = xn || yn ? (xn && yn ? 0 : xn ? 1 : -1) : (x < y ? -1 : x > y ? 1 : 0);
  } else {
    int c = a.text.compare(b.text);
    r = c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  return (flags & kDescending) ? -r : r;
}

std::vector<SortKey> MakeKeys(Interpreter& in, const std::vector<Value>& items, int flags) {
  std::vector<SortKey> keys;
  keys.reserve(items.size());
  for (const Value& v : items) {
    keys.push_back(MakeKey(in, v, flags));
    in.Rt().heap.Charge(keys.back().text.size() + sizeof(SortKey));
  }
  return keys;
}

// Stable merge sort of idx[lo, hi); the fallback for ranges a quicksort would take too long over.
template <class Compare>
void MergeSortRange(Runtime& rt, std::vector<size_t>& idx, size_t lo, size_t hi, Compare& cmp) {
  size_t n = hi - lo;
  std::vector<size_t> run(idx.begin() + static_cast<std::ptrdiff_t>(lo), idx.begin() + static_cast<std::ptrdiff_t>(hi));
  std::vector<size_t> tmp(n);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t l = 0; l < n; l += 2 * width) {
      size_t mid = std::min(l + width, n), h = std::min(l + 2 * width, n);
      size_t i = l, j = mid, k = l;
      while (i < mid && j < h) tmp[k++] = (!rt.aborted && cmp(run[j], run[i]) < 0) ? run[j++] : run[i++];
      while (i < mid) tmp[k++] = run[i++];
      while (j < h) tmp[k++] = run[j++];
    }
    run.swap(tmp);
  }
  std::copy(run.begin(), run.end(), idx.begin() + static_cast<std::ptrdiff_t>(lo));
}

// The player's order of comparisons: a quicksort that moves the middle element to the front as its pivot, scans
// from both ends (elements equal to the pivot stop neither scan), puts the pivot between the two parts and goes on
// with the smaller part first; parts of two or three elements are ordered by direct comparisons. Equal elements
// may change places. It stays in bounds whatever a script's compare function answers and stops comparing once
// the frame's budget is spent; a range that splits badly too often is finished by a merge sort, so crafted
// orders cannot make it quadratic.
template <class Compare>
std::vector<size_t> SortIndexes(Runtime& rt, size_t n, Compare cmp) {
  std::vector<size_t> idx(n);
  for (size_t i = 0; i < n; ++i) idx[i] = i;
  rt.heap.Charge(n * 2 * sizeof(size_t));
  auto greater = [&](size_t x, size_t y) { return !rt.aborted && cmp(idx[x], idx[y]) > 0; };
  auto swap = [&](size_t x, size_t y) { std::swap(idx[x], idx[y]); };
  int depthLimit = 8;
  for (size_t m = n; m > 1; m /= 2) depthLimit += 2;
  struct Range {
    size_t lo, hi;  // inclusive
    int depth;
  };
  std::vector<Range> pending;
  if (n > 1) pending.push_back({0, n - 1, 0});
  while (!pending.empty()) {
    Range r = pending.back();
    pending.pop_back();
    size_t lo = r.lo, hi = r.hi, size = hi - lo + 1;
    if (size == 2) {
      if (greater(lo, lo + 1)) swap(lo, lo + 1);
      continue;
    }
    if (size == 3) {
      if (greater(lo, lo + 1)) swap(lo, lo + 1);
      if (greater(lo + 1, lo + 2)) {
        swap(lo + 1, lo + 2);
        if (greater(lo, lo + 1)) swap(lo, lo + 1);
      }
      continue;
    }
    if (size < 2) continue;
    if (r.depth > depthLimit) {
      MergeSortRange(rt, idx, lo, hi + 1, cmp);
      continue;
    }
    swap(lo + size / 2, lo);
    size_t left = lo, right = hi + 1;
    for (;;) {
      do ++left; while (left <= hi && !rt.aborted && cmp(idx[left], idx[lo]) <= 0);
      do --right; while (right > lo && !rt.aborted && cmp(idx[right], idx[lo]) >= 0);
      if (right < left || rt.aborted) break;
      swap(left, right);
    }
    if (rt.aborted) break;
    swap(lo, right);
    // [lo, right) holds the smaller elements, (right, hi] the greater ones; the smaller part goes first, the
    // part below on a tie.
    size_t lowSize = right - lo, highSize = hi - right;
    Range low{lo, lo + (lowSize ? lowSize - 1 : 0), r.depth + 1}, high{right + 1, hi, r.depth + 1};
    bool lowFirst = lowSize <= highSize;
    if (lowSize > 1 && highSize > 1) pending.push_back(lowFirst ? high : low);
    if (lowSize > 1 && (lowFirst || highSize < 2)) pending.push_back(low);
    if (highSize > 1 && (!lowFirst || lowSize < 2)) pending.push_back(high);
  }
  return idx;
}

// Puts the sorted order into effect as the flags ask: 0 when UNIQUESORT finds equal elements, the indexes for
// RETURNINDEXEDARRAY, otherwise the array itself, reordered. Sorting works on a copy of the elements, which
// compare functions and getters cannot change.
template <class Compare>
Value FinishSort(Interpreter& in, ArrayObject* a, const std::vector<Value>& items, int flags, Compare cmp) {
  Runtime& rt = in.Rt();
  std::vector<size_t> order = SortIndexes(rt, items.size(), cmp);
  if (flags & kUniqueSort) {
    for (size_t i = 1; i < order.size() && !rt.aborted; ++i)
      if (cmp(order[i - 1], order[i]) == 0) return Value(0);
  }
  if (flags & kReturnIndexedArray) {
    ArrayObject* r = NewArray(rt);
    for (size_t i : order) r->elements.push_back(Value(static_cast<double>(i)));
    return Wrap(r);
  }
  std::vector<Value> sorted;
  sorted.reserve(order.size());
  for (size_t i : order) sorted.push_back(items[i]);
  a->elements = std::move(sorted);
  return Wrap(a);
}

Value Sort(Interpreter& in, ArrayObject* a, std::span<const Value> args) {
  const Value* fn = nullptr;
  int flags = 0;
  size_t flagArg = 0;
  if (!args.empty() && args[0].AsObject() && args[0].AsObject()->GetKind() == Object::Kind::Function) {
    fn = &args[0];
    flagArg = 1;
  }
  if (args.size() > flagArg) flags = ToInt32(Arg(in, args, flagArg, 0));
  const std::vector<Value> e = a->elements;
  in.Rt().heap.Charge(e.size() * sizeof(Value));
  if (fn) {
    Value f = *fn;
    Runtime& rt = in.Rt();
    return FinishSort(in, a, e, flags, [&in, &rt, &e, f, flags](size_t x, size_t y) {
      // Each call counts as an action, so built-in compare functions cannot sort without end either.
      if (++rt.actionsThisFrame > rt.limits.actionsPerFrame) rt.aborted = true;
      Value pair[2] = {e[x], e[y]};
      double d = Num(in, in.Call(f, Value(), pair));
      int r = std::isnan(d) || d == 0 ? 0 : d < 0 ? -1 : 1;
      return (flags & kDescending) ? -r : r;
    });
  }
  std::vector<SortKey> keys = MakeKeys(in, e, flags);
  if (in.Rt().heap.Exhausted()) return Value();
  return FinishSort(in, a, e, flags, [&keys, flags](size_t x, size_t y) { return CompareKeys(keys[x], keys[y], flags); });
}

Value SortOn(Interpreter& in, ArrayObject* a, std::span<const Value> args) {
  std::vector<std::string> fields;
  std::vector<int> fieldFlags;
  if (args.empty()) return Wrap(a);
  if (ArrayObject* names = SelfArray(args[0])) {
    for (const Value& v : names->elements) fields.push_back(Str(in, v));
  } else {
    fields.push_back(Str(in, args[0]));
  }
  if (fields.empty()) return Wrap(a);
  int flags = 0;
  if (args.size() > 1) {
    if (ArrayObject* list = SelfArray(args[1])) {
      for (const Value& v : list->elements) fieldFlags.push_back(ToInt32(Num(in, v)));
      // A flags array that does not match the fields is ignored.
      if (fieldFlags.size() != fields.size()) fieldFlags.clear();
      if (!fieldFlags.empty()) flags = fieldFlags[0];
    } else {
      flags = ToInt32(Arg(in, args, 1, 0));
    }
  }
  if (fieldFlags.empty()) fieldFlags.assign(fields.size(), flags);
  // Each element's fields are read once, so getters run a bounded number of times.
  const std::vector<Value> items = a->elements;
  size_t n = items.size();
  in.Rt().heap.Charge(n * (fields.size() + 1) * sizeof(Value));
  if (in.Rt().heap.Exhausted()) return Value();
  std::vector<std::vector<SortKey>> keys(n, std::vector<SortKey>(fields.size()));
  for (size_t i = 0; i < n && !in.Rt().aborted && !in.Rt().heap.Exhausted(); ++i) {
    Object* o = items[i].AsObject();
    for (size_t f = 0; f < fields.size(); ++f) {
      Value v;
      if (o) o->Get(fields[f], v);
      keys[i][f] = MakeKey(in, v, fieldFlags[f]);
      in.Rt().heap.Charge(keys[i][f].text.size());
    }
  }
  return FinishSort(in, a, items, flags, [&keys, &fieldFlags](size_t x, size_t y) {
    for (size_t f = 0; f < fieldFlags.size(); ++f) {
      int r = CompareKeys(keys[x][f], keys[y][f], fieldFlags[f]);
      if (r) return r;
    }
    return 0;
  });
}

std::string Join(Interpreter& in, ArrayObject* a, const std::string& sep) {
  std::string s;
  for (size_t i = 0; i < a->elements.size() && s.size() < kMaxJoin; ++i) {
    if (i) s += sep;
    s += Str(in, a->elements[i]);
  }
  in.Rt().heap.Charge(s.size() + a->elements.size());
  return s;
}

}  // namespace

void InstallArray(Runtime& rt) {
  Object* ap = rt.arrayProto;
  auto make = [](Interpreter& in, const Value&, std::span<const Value> args) {
    ArrayObject* a = NewArray(in.Rt());
    if (args.size() == 1 && args[0].IsNumber()) {
      double n = args[0].AsNumber();
      if (n >= 0 && n <= ArrayObject::kMaxLength && n == std::floor(n)) {
        in.Rt().heap.Charge(static_cast<size_t>(n) * sizeof(Value));
        a->elements.resize(static_cast<size_t>(n));
        return Wrap(a);
      }
    }
    a->elements.assign(args.begin(), args.end());
    return Wrap(a);
  };
  FunctionObject* ctor = Constructor(rt, "Array", ap, make, make);
  Constant(ctor, "CASEINSENSITIVE", Value(kCaseInsensitive));
  Constant(ctor, "DESCENDING", Value(kDescending));
  Constant(ctor, "UNIQUESORT", Value(kUniqueSort));
  Constant(ctor, "RETURNINDEXEDARRAY", Value(kReturnIndexedArray));
  Constant(ctor, "NUMERIC", Value(kNumeric));

  Native(rt, ap, "push", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    if (!a) return Value();
    in.Rt().heap.Charge(args.size() * sizeof(Value));
    for (auto& v : args)
      if (a->elements.size() < ArrayObject::kMaxLength) a->elements.push_back(v);
    return Value(static_cast<double>(a->elements.size()));
  });
  Native(rt, ap, "pop", [](Interpreter&, const Value& self, std::span<const Value>) {
    ArrayObject* a = SelfArray(self);
    if (!a || a->elements.empty()) return Value();
    Value v = a->elements.back();
    a->elements.pop_back();
    return v;
  });
  Native(rt, ap, "shift", [](Interpreter& in, const Value& self, std::span<const Value>) {
    ArrayObject* a = SelfArray(self);
    if (!a || a->elements.empty()) return Value();
    in.Rt().heap.Charge(a->elements.size() * sizeof(Value));
    Value v = a->elements.front();
    a->elements.erase(a->elements.begin());
    return v;
  });
  Native(rt, ap, "unshift", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    if (!a) return Value();
    in.Rt().heap.Charge((a->elements.size() + args.size()) * sizeof(Value));
    if (a->elements.size() + args.size() <= ArrayObject::kMaxLength)
      a->elements.insert(a->elements.begin(), args.begin(), args.end());
    return Value(static_cast<double>(a->elements.size()));
  });
  Native(rt, ap, "splice", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    if (!a) return Value();
    ArrayObject* removed = NewArray(in.Rt());
    if (args.empty()) return Wrap(removed);
    double startArg = IndexArg(in, args, 0, 0);
    double countArg = args.size() > 1 ? IntArg(in, args, 1, 0, 0, 1e15) : 1e15;
    std::vector<Value>& e = a->elements;
    size_t start = Relative(startArg, e.size());
    auto count = static_cast<size_t>(std::min(countArg, static_cast<double>(e.size() - start)));
    std::span<const Value> items = args.size() > 2 ? args.subspan(2) : std::span<const Value>();
    if (e.size() - count + items.size() > ArrayObject::kMaxLength) return Wrap(removed);
    in.Rt().heap.Charge((e.size() + items.size()) * sizeof(Value));
    auto first = e.begin() + static_cast<std::ptrdiff_t>(start);
    removed->elements.assign(first, first + static_cast<std::ptrdiff_t>(count));
    e.erase(first, first + static_cast<std::ptrdiff_t>(count));
    e.insert(e.begin() + static_cast<std::ptrdiff_t>(start), items.begin(), items.end());
    return Wrap(removed);
  });
  Native(rt, ap, "slice", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    ArrayObject* r = NewArray(in.Rt());
    if (!a) return Wrap(r);
    double from = IndexArg(in, args, 0, 0);
    double to = IndexArg(in, args, 1, 1e15);
    size_t n = a->elements.size();
    size_t s = Relative(from, n), e = Relative(to, n);
    if (e > s) {
      in.Rt().heap.Charge((e - s) * sizeof(Value));
      r->elements.assign(a->elements.begin() + static_cast<std::ptrdiff_t>(s),
                         a->elements.begin() + static_cast<std::ptrdiff_t>(e));
    }
    return Wrap(r);
  });
  Native(rt, ap, "concat", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    ArrayObject* r = NewArray(in.Rt());
    if (a) r->elements = a->elements;
    in.Rt().heap.Charge(r->elements.size() * sizeof(Value));
    for (auto& v : args) {
      // Arrays among the arguments give their elements; arrays inside them stay arrays.
      if (ArrayObject* other = SelfArray(v)) {
        in.Rt().heap.Charge(other->elements.size() * sizeof(Value));
        if (r->elements.size() + other->elements.size() <= ArrayObject::kMaxLength)
          r->elements.insert(r->elements.end(), other->elements.begin(), other->elements.end());
      } else if (r->elements.size() < ArrayObject::kMaxLength) {
        r->elements.push_back(v);
      }
    }
    return Wrap(r);
  });
  Native(rt, ap, "join", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    if (!a) return Value();
    return Value(Join(in, a, args.empty() || args[0].IsUndefined() ? "," : ArgString(in, args, 0)));
  });
  Native(rt, ap, "toString", [](Interpreter& in, const Value& self, std::span<const Value>) {
    return Value(self.IsObject() ? self.AsObject()->DefaultString(in.Rt().version) : std::string());
  })->shortcut = FunctionObject::Shortcut::DefaultString;
  Native(rt, ap, "reverse", [](Interpreter& in, const Value& self, std::span<const Value>) {
    if (ArrayObject* a = SelfArray(self)) {
      in.Rt().heap.Charge(a->elements.size() * sizeof(Value));
      std::reverse(a->elements.begin(), a->elements.end());
    }
    return self;
  });
  Native(rt, ap, "sort", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    return a ? Sort(in, a, args) : Value();
  });
  Native(rt, ap, "sortOn", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    return a ? SortOn(in, a, args) : Value();
  });
}

}  // namespace swf
