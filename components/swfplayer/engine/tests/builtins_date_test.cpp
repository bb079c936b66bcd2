// Date with the host's clock and zone fixed: constructor forms, local and UTC fields, setters that roll
// over, Date.UTC and Flash's text of a date.
#include <gtest/gtest.h>

#include "builtins.h"
#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

namespace {

constexpr double kNow = 1796715468000.0;  // Tue Dec 8 07:37:48 2026 UTC

// Fixes the clock and a zone of a constant offset for one test.
class FixedHost {
 public:
  explicit FixedHost(double offsetMinutes) : saved_(swf::GetDateHost()) {
    swf::GetDateHost().nowMs = [] { return kNow; };
    swf::GetDateHost().offsetMs = [offsetMinutes](double) { return offsetMinutes * 60000; };
  }
  ~FixedHost() { swf::GetDateHost() = saved_; }
  FixedHost(const FixedHost&) = delete;
  FixedHost& operator=(const FixedHost&) = delete;

 private:
  swf::DateHost saved_;
};

Actions& Fields(Actions& a, const std::string& d, bool utc) {
  std::string u = utc ? "UTC" : "";
  for (const char* f : {"FullYear", "Month", "Date", "Day", "Hours", "Minutes", "Seconds", "Milliseconds"})
    TraceMethod(a, d, "get" + u + f);
  return a;
}

}  // namespace

TEST(DateClass, NowInFlashsTextAndFieldsInBothZones) {
  FixedHost host(0);
  Actions a;
  SetNew(a, "d", "Date");
  Show(a, "d");
  TraceMethod(a, "d", "getTime");
  TraceMethod(a, "d", "getTimezoneOffset");
  Fields(a, "d", false);
  EXPECT_EQ(RunScript(a), (V{"Tue Dec 8 07:37:48 GMT+0000 2026", "1796715468000", "0", "2026", "11", "8", "2", "7",
                             "37", "48", "0"}));
}

TEST(DateClass, LocalFieldsFollowTheZoneAndUtcFieldsDoNot) {
  FixedHost host(-(8 * 60));  // eight hours west: the local day is still the 7th
  Actions a;
  SetNew(a, "d", "Date");
  Show(a, "d");
  TraceMethod(a, "d", "getTimezoneOffset");
  TraceMethod(a, "d", "getDate");
  TraceMethod(a, "d", "getHours");
  TraceMethod(a, "d", "getUTCDate");
  TraceMethod(a, "d", "getUTCHours");
  SetNew(a, "y", "Date", {946695600000.0});  // 03:00 UTC on the first day of 2000
  TraceMethod(a, "y", "getYear");
  TraceMethod(a, "y", "getUTCYear");
  TraceMethod(a, "y", "getFullYear");
  EXPECT_EQ(RunScript(a), (V{"Mon Dec 7 23:37:48 GMT-0800 2026", "480", "7", "23", "8", "7", "99", "100", "1999"}));
  FixedHost india(5 * 60 + 30);
  Actions b;
  SetNew(b, "d", "Date", {0});
  Show(b, "d");
  TraceMethod(b, "d", "getTimezoneOffset");
  EXPECT_EQ(RunScript(b), (V{"Thu Jan 1 05:30:00 GMT+0530 1970", "-330"}));
}

TEST(DateClass, ConstructorFormsAndTwoDigitYears) {
  FixedHost host(60);
  Actions a;
  SetNew(a, "d", "Date", {2000, 0, 31});
  TraceMethod(a, "d", "getTime");  // local midnight is 23:00 UTC the day before
  Show(a, "d");
  SetNew(a, "e", "Date", {99, 11, 31, 23, 59, 59, 999});
  Fields(a, "e", false);
  TraceMethod(a, "e", "getYear");
  SetNew(a, "f", "Date", {-86400000});
  Show(a, "f");
  SetNew(a, "g", "Date", {2000, 13});  // the month rolls into the next year
  Show(a, "g");
  EXPECT_EQ(RunScript(a), (V{"949273200000", "Mon Jan 31 00:00:00 GMT+0100 2000", "1999", "11", "31", "5", "23",
                             "59", "59", "999", "99", "Wed Dec 31 01:00:00 GMT+0100 1969",
                             "Thu Feb 1 00:00:00 GMT+0100 2001"}));
}

TEST(DateClass, SettersRollOverAndReturnTheTime) {
  FixedHost host(0);
  Actions a;
  SetNew(a, "d", "Date", {2001, 0, 31});
  TraceMethod(a, "d", "setMonth", {1});  // February 31st is March 3rd
  Show(a, "d");
  TraceMethod(a, "d", "setDate", {0});  // the day before the 1st
  Show(a, "d");
  Method(a, "d", "setHours", {25, 61, 5, 7}).Op(Action::Pop);
  Show(a, "d");
  TraceMethod(a, "d", "getMilliseconds");
  Method(a, "d", "setFullYear", {2004, 1, 29}).Op(Action::Pop);
  Show(a, "d");
  Method(a, "d", "setYear", {5}).Op(Action::Pop);
  Show(a, "d");
  Method(a, "d", "setUTCMinutes", {-1}).Op(Action::Pop);
  Show(a, "d");
  Method(a, "d", "setTime", {0}).Op(Action::Pop);
  Show(a, "d");
  EXPECT_EQ(RunScript(a), (V{"983577600000", "Sat Mar 3 00:00:00 GMT+0000 2001", "983318400000",
                             "Wed Feb 28 00:00:00 GMT+0000 2001", "Thu Mar 1 02:01:05 GMT+0000 2001", "7",
                             "Sun Feb 29 02:01:05 GMT+0000 2004", "Wed Mar 1 02:01:05 GMT+0000 1905",
                             "Wed Mar 1 01:59:05 GMT+0000 1905", "Thu Jan 1 00:00:00 GMT+0000 1970"}));
}

TEST(DateClass, UtcInvalidDatesAndArithmetic) {
  FixedHost host(120);
  Actions a;
  TraceMethod(a, "Date", "UTC", {2000, 1, 29});
  TraceMethod(a, "Date", "UTC", {99, 0});
  SetNew(a, "bad", "Date", {"soon"});
  Show(a, "bad");
  TraceMethod(a, "bad", "getMonth");
  TraceMethod(a, "bad", "setDate", {3});
  Method(a, "bad", "setFullYear", {2010}).Op(Action::Pop);  // a year gives an invalid date a time again
  Show(a, "bad");
  SetNew(a, "big", "Date", {8.64e15 + 1});
  TraceMethod(a, "big", "getTime");
  SetNew(a, "d", "Date", {1000});
  a.Push({"d"}).Op(Action::GetVariable).Push({1}).Op(Action::Subtract).Op(Action::Trace);
  a.Push({"d"}).Op(Action::GetVariable).Push({"d"}).Op(Action::GetVariable).Op(Action::Equals2).Op(Action::Trace);
  a.Call("Date").Op(Action::Trace);  // called as a function it gives the time's text
  EXPECT_EQ(RunScript(a), (V{"951782400000", "915148800000", "Invalid Date", "NaN", "NaN",
                             "Fri Jan 1 00:00:00 GMT+0200 2010", "NaN", "999", "true",
                             "Tue Dec 8 09:37:48 GMT+0200 2026"}));
}

TEST(DateClass, HostZoneWithSummerTimeChangesTheOffsetByInstant) {
  // A zone one hour east that moves to two hours for the instants of 2026 from July on.
  FixedHost host(0);
  swf::GetDateHost().offsetMs = [](double t) { return t >= 1782864000000.0 ? 7200000.0 : 3600000.0; };
  Actions a;
  SetNew(a, "w", "Date", {2026, 0, 15, 12});
  SetNew(a, "s", "Date", {2026, 7, 15, 12});
  TraceMethod(a, "w", "getUTCHours");
  TraceMethod(a, "s", "getUTCHours");
  TraceMethod(a, "s", "getTimezoneOffset");
  Show(a, "s");
  EXPECT_EQ(RunScript(a), (V{"11", "10", "-120", "Sat Aug 15 12:00:00 GMT+0200 2026"}));
}
