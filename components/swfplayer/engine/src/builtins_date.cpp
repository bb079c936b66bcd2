// Date: time values in milliseconds since 1970 UTC, their fields in local time and UTC, Date.UTC and
// Flash's text of a date; the host's clock and time zone come through GetDateHost.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "builtins.h"

namespace swf {
namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr double kMaxTime = 8.64e15;

// Days from 1970-01-01 to the given civil date, month 0-based (proleptic Gregorian calendar).
double DaysFromCivil(double y, double m, double d) {
  y -= m <= 1;
  double era = std::floor(y / 400);
  double yoe = y - era * 400;
  double mp = std::fmod(m + 10, 12);
  double doy = std::floor((153 * mp + 2) / 5) + d - 1;
  double doe = yoe * 365 + std::floor(yoe / 4) - std::floor(yoe / 100) + doy;
  return era * 146097 + doe - 719468;
}

struct Civil {
  double year, month, day;  // month 0-based
};

Civil CivilFromDays(double z) {
  z += 719468;
  double era = std::floor(z / 146097);
  double doe = z - era * 146097;
  double yoe = std::floor((doe - std::floor(doe / 1460) + std::floor(doe / 36524) - std::floor(doe / 146096)) / 365);
  double doy = doe - (365 * yoe + std::floor(yoe / 4) - std::floor(yoe / 100));
  double mp = std::floor((5 * doy + 2) / 153);
  double d = doy - std::floor((153 * mp + 2) / 5) + 1;
  double m = mp < 10 ? mp + 3 : mp - 9;
  return {yoe + era * 400 + (m <= 2), m - 1, d};
}

double TimeClip(double t) { return std::isfinite(t) && std::fabs(t) <= kMaxTime ? std::trunc(t) + 0.0 : std::nan(""); }

double MakeDay(double year, double month, double date) {
  if (!std::isfinite(year) || !std::isfinite(month) || !std::isfinite(date)) return std::nan("");
  year = std::trunc(year), month = std::trunc(month), date = std::trunc(date);
  if (std::fabs(year) > 400000 || std::fabs(month) > 4800000) return std::nan("");
  double y = year + std::floor(month / 12);
  double m = month - std::floor(month / 12) * 12;
  return DaysFromCivil(y, m, 1) + date - 1;
}

double MakeTime(double h, double m, double s, double ms) {
  if (!std::isfinite(h) || !std::isfinite(m) || !std::isfinite(s) || !std::isfinite(ms)) return std::nan("");
  return std::trunc(h) * 3600000 + std::trunc(m) * 60000 + std::trunc(s) * 1000 + std::trunc(ms);
}

double DefaultNow() {
  using namespace std::chrono;
  return static_cast<double>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

// The C library knows the host's zone; instants it cannot convert take the offset of the nearest one it can.
double DefaultOffset(double utcMs) {
  double limit = sizeof(std::time_t) > 4 ? 32503680000.0 : 2147483647.0;
  double secs = std::clamp(std::floor(utcMs / 1000), 0.0, limit);
  auto tt = static_cast<std::time_t>(secs);
  std::tm* local = std::localtime(&tt);
  if (!local) return 0;
  double asUtc = DaysFromCivil(local->tm_year + 1900.0, local->tm_mon, local->tm_mday) * 86400 +
                 local->tm_hour * 3600.0 + local->tm_min * 60.0 + local->tm_sec;
  return (asUtc - secs) * 1000;
}

double Offset(double utcMs) {
  DateHost& h = GetDateHost();
  double o = h.offsetMs ? h.offsetMs(utcMs) : 0;
  return std::isfinite(o) ? std::clamp(o, -86400000.0, 86400000.0) : 0;
}

double LocalTime(double t) { return t + Offset(t); }
double UtcFromLocal(double local) { return local - Offset(local - Offset(local)); }

// The fields of a time value.
struct Fields {
  double year, month, date, hours, minutes, seconds, ms, day;
};

Fields Split(double t) {
  double days = std::floor(t / kMsPerDay);
  double within = t - days * kMsPerDay;
  Civil c = CivilFromDays(days);
  double wd = std::fmod(days + 4, 7);
  if (wd < 0) wd += 7;
  return {c.year, c.month, c.day, std::floor(within / 3600000), std::fmod(std::floor(within / 60000), 60),
          std::fmod(std::floor(within / 1000), 60), std::fmod(within, 1000), wd};
}

double Join(const Fields& f) { return MakeDay(f.year, f.month, f.date) * kMsPerDay + MakeTime(f.hours, f.minutes, f.seconds, f.ms); }

// A Date object; its text is Flash's date text.
class DateObject : public BoxObject {
 public:
  DateObject(Heap& heap, Object* proto, double t) : BoxObject(heap, proto, Value(t), Kind::Date) {}
  std::string DefaultString(int) const override { return DateString(primitive.AsNumber()); }
  double Time() const { return primitive.AsNumber(); }
  void SetTime(double t) { primitive = Value(TimeClip(t)); }
};

DateObject* SelfDate(const Value& self) {
  Object* o = self.AsObject();
  return o && o->GetKind() == Object::Kind::Date ? static_cast<DateObject*>(o) : nullptr;
}

double YearArg(double y) {
  double t = std::trunc(y);
  return std::isfinite(y) && t >= 0 && t <= 99 ? 1900 + t : y;
}

// The time of new Date(year, month, ...) and Date.UTC: the fields from the arguments, missing ones at their start.
double FromArgs(Interpreter& in, std::span<const Value> args) {
  Fields f{YearArg(Arg(in, args, 0)), Arg(in, args, 1, 0), Arg(in, args, 2, 1), Arg(in, args, 3, 0),
           Arg(in, args, 4, 0), Arg(in, args, 5, 0), Arg(in, args, 6, 0), 0};
  return Join(f);
}

enum Field { kYear, kMonth, kDate, kHours, kMinutes, kSeconds, kMs, kDay };

double Get(const Fields& f, Field which) {
  switch (which) {
    case kYear: return f.year;
    case kMonth: return f.month;
    case kDate: return f.date;
    case kHours: return f.hours;
    case kMinutes: return f.minutes;
    case kSeconds: return f.seconds;
    case kMs: return f.ms;
    case kDay: return f.day;
  }
  return std::nan("");
}

double& Ref(Fields& f, Field which) {
  switch (which) {
    case kYear: return f.year;
    case kMonth: return f.month;
    case kDate: return f.date;
    case kHours: return f.hours;
    case kMinutes: return f.minutes;
    case kSeconds: return f.seconds;
    case kMs: return f.ms;
    case kDay: break;
  }
  return f.ms;
}

void Getter(Runtime& rt, Object* proto, const char* name, Field which, bool utc) {
  Native(rt, proto, name, [which, utc](Interpreter&, const Value& self, std::span<const Value>) {
    DateObject* d = SelfDate(self);
    if (!d || std::isnan(d->Time())) return Value(std::nan(""));
    double t = utc ? d->Time() : LocalTime(d->Time());
    return Value(Get(Split(t), which));
  });
}

// setHours(h, m, s, ms) and its kin: the arguments replace consecutive fields from the first one on.
void Setter(Runtime& rt, Object* proto, const char* name, Field first, size_t count, bool utc) {
  Native(rt, proto, name, [first, count, utc](Interpreter& in, const Value& self, std::span<const Value> args) {
    DateObject* d = SelfDate(self);
    if (!d) return Value();
    double t = d->Time();
    // Only a year gives a date without a time value a meaning; it starts from 1970 in the zone asked for.
    if (std::isnan(t) && first != kYear) return Value(t);
    Fields f = Split(std::isnan(t) ? 0 : utc ? t : LocalTime(t));
    size_t n = std::min(count, std::max<size_t>(args.size(), 1));
    for (size_t i = 0; i < n; ++i) Ref(f, static_cast<Field>(first + static_cast<int>(i))) = Arg(in, args, i);
    double joined = Join(f);
    d->SetTime(utc ? joined : UtcFromLocal(joined));
    return Value(d->Time());
  });
}

}  // namespace

DateHost& GetDateHost() {
  static DateHost host{DefaultNow, DefaultOffset};
  return host;
}

std::string DateString(double t) {
  if (!std::isfinite(t) || std::fabs(t) > kMaxTime) return "Invalid Date";
  double offset = Offset(t);
  Fields f = Split(t + offset);
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  auto minutes = static_cast<long>(std::lround(std::fabs(offset) / 60000));
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s %s %d %02d:%02d:%02d GMT%c%02ld%02ld %.0f", days[static_cast<int>(f.day)],
                months[static_cast<int>(f.month)], static_cast<int>(f.date), static_cast<int>(f.hours),
                static_cast<int>(f.minutes), static_cast<int>(f.seconds), offset < 0 ? '-' : '+', minutes / 60,
                minutes % 60, f.year);
  return buf;
}

void InstallDate(Runtime& rt) {
  Object* dp = rt.heap.Make<Object>(rt.objectProto);
  rt.heap.Pin(kPinDateProto, dp);
  auto now = []() {
    DateHost& h = GetDateHost();
    return TimeClip(h.nowMs ? std::floor(h.nowMs()) : 0);
  };
  FunctionObject* ctor = Constructor(
      rt, "Date", dp,
      [now](Interpreter&, const Value&, std::span<const Value>) { return Value(DateString(now())); },
      [now](Interpreter& in, const Value&, std::span<const Value> args) {
        double t;
        if (args.empty()) t = now();
        else if (args.size() == 1) t = Num(in, args[0]);
        else t = UtcFromLocal(FromArgs(in, args));
        return Value(in.Rt().heap.Make<DateObject>(in.Rt().heap.Pinned(kPinDateProto), TimeClip(t)));
      });
  Native(rt, ctor, "UTC", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(TimeClip(FromArgs(in, args)));
  });

  static const std::pair<const char*, Field> fields[] = {
      {"FullYear", kYear}, {"Month", kMonth}, {"Date", kDate}, {"Day", kDay},
      {"Hours", kHours},   {"Minutes", kMinutes}, {"Seconds", kSeconds}, {"Milliseconds", kMs}};
  for (auto& [name, which] : fields) {
    Getter(rt, dp, ("get" + std::string(name)).c_str(), which, false);
    Getter(rt, dp, ("getUTC" + std::string(name)).c_str(), which, true);
    if (which == kDay) continue;
    // Each setter takes its own field and the smaller ones after it, as far as the time of day or the date goes.
    size_t count = which == kYear ? 3 : which == kMonth ? 2 : which == kDate ? 1 : static_cast<size_t>(kMs - which + 1);
    Setter(rt, dp, ("set" + std::string(name)).c_str(), which, count, false);
    Setter(rt, dp, ("setUTC" + std::string(name)).c_str(), which, count, true);
  }
  for (bool utc : {false, true}) {
    Native(rt, dp, utc ? "getUTCYear" : "getYear", [utc](Interpreter&, const Value& self, std::span<const Value>) {
      DateObject* d = SelfDate(self);
      if (!d || std::isnan(d->Time())) return Value(std::nan(""));
      return Value(Split(utc ? d->Time() : LocalTime(d->Time())).year - 1900);
    });
  }
  Native(rt, dp, "setYear", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    DateObject* d = SelfDate(self);
    if (!d) return Value();
    Fields f = Split(std::isnan(d->Time()) ? 0 : LocalTime(d->Time()));
    f.year = YearArg(Arg(in, args, 0));
    d->SetTime(UtcFromLocal(Join(f)));
    return Value(d->Time());
  });
  Native(rt, dp, "getTime", [](Interpreter&, const Value& self, std::span<const Value>) {
    DateObject* d = SelfDate(self);
    return d ? Value(d->Time()) : Value(std::nan(""));
  });
  Native(rt, dp, "valueOf", [](Interpreter&, const Value& self, std::span<const Value>) {
    DateObject* d = SelfDate(self);
    return d ? Value(d->Time()) : Value(std::nan(""));
  })->shortcut = FunctionObject::Shortcut::DefaultValue;
  Native(rt, dp, "setTime", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    DateObject* d = SelfDate(self);
    if (!d) return Value();
    d->SetTime(Arg(in, args, 0));
    return Value(d->Time());
  });
  Native(rt, dp, "getTimezoneOffset", [](Interpreter&, const Value& self, std::span<const Value>) {
    DateObject* d = SelfDate(self);
    if (!d || std::isnan(d->Time())) return Value(std::nan(""));
    return Value(-Offset(d->Time()) / 60000);
  });
  Native(rt, dp, "toString", [](Interpreter&, const Value& self, std::span<const Value>) {
    DateObject* d = SelfDate(self);
    return Value(d ? DateString(d->Time()) : std::string("Invalid Date"));
  })->shortcut = FunctionObject::Shortcut::DefaultString;
}

}  // namespace swf
