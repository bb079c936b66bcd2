// Engine speed: AVM1 actions per second on a loop-heavy script, building the display list of a frame
// holding 500 shapes, and looking up a name thousands of clips share.
#include <benchmark/benchmark.h>

#include "swfplayer/asm/movie_builder.h"
#include "swfplayer/engine/player.h"

using namespace swfasm;

namespace {

// A script that counts to `iterations` with arithmetic, comparison and variable access.
std::vector<uint8_t> LoopMovie(int iterations) {
  MovieBuilder m(6);
  Actions a;
  a.Set("i", 0).Set("sum", 0).Label("top");
  a.Push({"sum", "sum"}).Op(Action::GetVariable).Push({"i"}).Op(Action::GetVariable).Push({3}).Op(Action::Multiply);
  a.Op(Action::Add2).Op(Action::SetVariable);
  a.Push({"i", "i"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  a.Push({"i"}).Op(Action::GetVariable).Push({iterations}).Op(Action::Less2).If("top");
  m.Main().Do(a).ShowFrame();
  m.Main().Do(Actions().Push({0}).GotoFrame2(true)).ShowFrame();
  return m.Build();
}

void ActionsPerSecond(benchmark::State& state) {
  swf::PlayerLimits limits;
  limits.actionsPerFrame = 100'000'000;
  swf::Player p({}, limits);
  p.LoadBytes(LoopMovie(static_cast<int>(state.range(0))));
  uint64_t actions = 0;
  // Every frame goes back to the first, whose script runs the loop again.
  for (auto _ : state) {
    p.Advance();
    actions += p.ActionsRun();
  }
  state.counters["actions/s"] = benchmark::Counter(static_cast<double>(actions), benchmark::Counter::kIsRate);
}
BENCHMARK(ActionsPerSecond)->Arg(20000)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> ShapesMovie(int count) {
  MovieBuilder m(6, 800, 600, 30);
  uint16_t rect = m.Rectangle(0, 0, 20, 10, {200, 40, 40});
  uint16_t disc = m.Ellipse(0, 0, 8, 8, {40, 40, 200, 200});
  Timeline inner;
  inner.Place(disc, 1).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  for (int i = 0; i < count; ++i) {
    auto t = Transform::Translate((i * 37) % 780, (i * 53) % 580);
    uint16_t id = i % 10 == 0 ? sprite : (i % 2 ? rect : disc);
    m.Main().Place(id, static_cast<uint16_t>(i + 1), t);
  }
  m.Main().ShowFrame();
  return m.Build();
}

void DisplayList500Shapes(benchmark::State& state) {
  swf::Player p;
  p.LoadBytes(ShapesMovie(500));
  p.Advance();
  swf::DisplayList list;
  for (auto _ : state) {
    p.BuildDisplayList(list);
    benchmark::DoNotOptimize(list.items.data());
  }
  state.counters["items"] = static_cast<double>(list.items.size());
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(DisplayList500Shapes)->Unit(benchmark::kMicrosecond);

void AdvanceAndBuild500Shapes(benchmark::State& state) {
  swf::Player p;
  p.LoadBytes(ShapesMovie(500));
  swf::DisplayList list;
  for (auto _ : state) {
    p.Advance();
    p.BuildDisplayList(list);
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(AdvanceAndBuild500Shapes)->Unit(benchmark::kMicrosecond);

// The root holds `clips` script clips all named "dup"; every frame looks that name up 1000 times and a global
// (which is first looked for among the root's children) 1000 times.
std::vector<uint8_t> DuplicatesMovie(int clips) {
  MovieBuilder m(6);
  Actions make;
  make.Set("i", 0).Label("make");
  make.Push({"i"}).Op(Action::GetVariable).Push({"dup", 2, "_root"}).Op(Action::GetVariable);
  make.Push({"createEmptyMovieClip"}).Op(Action::CallMethod).Op(Action::Pop);
  make.Push({"i", "i"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  make.Push({"i"}).Op(Action::GetVariable).Push({clips}).Op(Action::Less2).If("make");
  m.Main().Do(make).ShowFrame();
  Actions look;
  look.Set("i", 0).Label("look");
  look.Push({"dup._x"}).Op(Action::GetVariable).Op(Action::Pop);
  look.Push({"Math"}).Op(Action::GetVariable).Op(Action::Pop);
  look.Push({"i", "i"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  look.Push({"i"}).Op(Action::GetVariable).Push({1000}).Op(Action::Less2).If("look");
  m.Main().Do(look).ShowFrame();
  m.Main().Do(Actions().Push({2}).GotoFrame2(true)).ShowFrame();
  return m.Build();
}

// Frames of the lookups: the same time with 100 clips and with 5000 when a lookup does not walk the children.
void NameLookupAmongDuplicates(benchmark::State& state) {
  swf::PlayerLimits limits;
  limits.actionsPerFrame = 100'000'000;
  swf::Player p({}, limits);
  p.LoadBytes(DuplicatesMovie(static_cast<int>(state.range(0))));
  p.Advance();
  for (auto _ : state) p.Advance();
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(NameLookupAmongDuplicates)->Arg(100)->Arg(5000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
