// Throw, try, catch and finally: the order of blocks through returns, nested trys, jumps
// out of a protected block, and catches into registers.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

TEST(Exceptions, FinallyRunsOnReturnAndItsOwnReturnWins) {
  Actions keep;
  Actions traceFinally;
  traceFinally.Trace("finally");
  keep.Try(Actions().Trace("try").Push({"from try"}).Op(Action::Return), nullptr, "", &traceFinally);
  Actions override_;
  Actions fin;
  fin.Push({"from finally"}).Op(Action::Return);
  override_.Try(Actions().Push({"from try"}).Op(Action::Return), nullptr, "", &fin);
  Actions a;
  a.DefineFunction("keep", {}, keep);
  a.DefineFunction("override", {}, override_);
  a.Call("keep").Op(Action::Trace);
  a.Call("override").Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 7), (V{"try", "finally", "from try", "from finally"}));
}

TEST(Exceptions, NestedTrysUnwindInnerFinallyFirstAndAcrossCalls) {
  Actions thrower;
  thrower.Trace("throwing").Push({"boom"}).Op(Action::Throw).Trace("not reached");
  Actions inner;
  Actions innerFinally;
  innerFinally.Trace("inner finally");
  inner.Try(Actions().Call("thrower").Op(Action::Pop).Trace("not reached"), nullptr, "", &innerFinally);
  Actions outerCatch;
  outerCatch.Push({"caught "}).Push({"e"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  Actions outerFinally;
  outerFinally.Trace("outer finally");
  Actions a;
  a.DefineFunction("thrower", {}, thrower);
  a.Try(inner, &outerCatch, "e", &outerFinally);
  a.Trace("after");
  EXPECT_EQ(RunScript(a, 7), (V{"throwing", "inner finally", "caught boom", "outer finally", "after"}));
}

TEST(Exceptions, ARethrowFromCatchStillRunsFinallyAndAnUncaughtThrowEndsOnlyTheScript) {
  MovieBuilder m(7);
  Actions rethrow;
  rethrow.Trace("catch").Push({"again"}).Op(Action::Throw);
  Actions fin;
  fin.Trace("finally");
  Actions a;
  a.Try(Actions().Push({"first"}).Op(Action::Throw), &rethrow, "e", &fin);
  a.Trace("not reached");
  m.Main().Do(a).ShowFrame();
  m.Main().Do(Actions().Trace("next frame").Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"catch", "finally", "next frame"}));
}

TEST(Exceptions, BreakingOutOfTryRunsFinallyAndLeavesTheLoop) {
  // for (i = 0; ; i++) { try { if (i == 2) break; trace(i); } finally { trace("f" + i); } }
  Actions rest;
  rest.TraceVar("i");
  Actions fin;
  fin.Push({"f"}).Push({"i"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  Actions step;
  step.Push({"i", "i"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  // The break jumps from inside the try block to after the loop's closing jump (5 bytes).
  size_t out = rest.Body().size() + fin.Body().size() + step.Body().size() + 5;
  Actions body;
  body.Push({"i"}).Op(Action::GetVariable).Push({2}).Op(Action::Equals2);
  body.Raw(0x9D, {static_cast<uint8_t>(out), static_cast<uint8_t>(out >> 8)});
  body.TraceVar("i");
  Actions a;
  a.Set("i", 0);
  a.Label("top");
  a.Try(body, nullptr, "", &fin);
  a.Push({"i", "i"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  a.Jump("top");
  a.Trace("done");
  EXPECT_EQ(RunScript(a, 7), (V{"0", "f0", "1", "f1", "f2", "done"}));
}

TEST(Exceptions, CatchIntoARegister) {
  // try { throw "reg"; } catch (register 3) { trace(register 3); }
  Actions body;
  body.Push({"in register"}).Op(Action::Throw);
  Actions onCatch;
  onCatch.Push({Register{3}}).Op(Action::Trace);
  std::vector<uint8_t> b = body.Body(), c = onCatch.Body();
  std::vector<uint8_t> payload = {0x05,
                                  static_cast<uint8_t>(b.size()), static_cast<uint8_t>(b.size() >> 8),
                                  static_cast<uint8_t>(c.size()), static_cast<uint8_t>(c.size() >> 8),
                                  0, 0, 3};
  std::vector<uint8_t> code;
  code.push_back(0x8F);
  code.push_back(static_cast<uint8_t>(payload.size()));
  code.push_back(0);
  code.insert(code.end(), payload.begin(), payload.end());
  code.insert(code.end(), b.begin(), b.end());
  code.insert(code.end(), c.begin(), c.end());
  Actions after;
  after.TraceVar("e");  // nothing was set as a variable
  std::vector<uint8_t> tail = after.Bytes();
  code.insert(code.end(), tail.begin(), tail.end());
  MovieBuilder m(7);
  m.Main().Tag(12, code).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"in register", "undefined"}));
}
