// Writes the seed movies of the engine's fuzz target, made with the assembler
// so that every seed has its source here.
#include <cstdio>
#include <string>

#include "swfplayer/asm/movie_builder.h"

using namespace swfasm;

namespace {

void Write(const std::string& dir, const std::string& name, const MovieBuilder& m) {
  auto bytes = m.Build();
  std::string path = dir + "/" + name + ".swf";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

MovieBuilder Everything(int version, bool compressed) {
  MovieBuilder m(version, 200, 150, 20);
  m.SetCompressed(compressed);
  m.Main().Background({10, 20, 30});
  uint16_t rect = m.Rectangle(0, 0, 40, 30, {200, 0, 0});
  uint16_t disc = m.Ellipse(20, 20, 20, 15, {0, 200, 0, 128});
  Shape path;
  path.Fill({0, 0, 255}).Line(3, {0, 0, 0}).MoveTo(0, 0).CurveTo(30, -20, 60, 0).LineTo(30, 40).LineTo(0, 0);
  uint16_t pathId = m.DefineShape(path);
  uint16_t bmp = m.DefineBitmap(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0x800000FFu, 0x00000000u});
  uint16_t bmpShape = m.DefineShape(Shape().BitmapFill(bmp, Transform::Scale(5, 5)).Rect(0, 0, 10, 10));
  EditTextSpec text;
  text.variable = "label";
  text.text = "start";
  uint16_t field = m.DefineEditText(text);
  ButtonSpec spec;
  spec.records = {{0x0F, rect}};
  spec.actions.push_back({0x04, Actions().Set("pressed", true).GetUrl("FSCommand:press", "1")});
  spec.actions.push_back({0x08, Actions().Push({"/clip"}).Op(Action::GetVariable).Op(Action::Trace)});
  uint16_t button = m.DefineButton(spec);
  Timeline inner;
  inner.Place(disc, 1).Do(Actions().Set("n", 1)).ShowFrame();
  inner.Move(1, Transform::Translate(5, 5)).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);

  Actions body;
  body.Push({"a"}).Op(Action::GetVariable).Push({"b"}).Op(Action::GetVariable).Op(Action::Multiply).Op(Action::Return);
  Actions code;
  code.ConstantPool({"label", "count"});
  code.DefineFunction("mul", {"a", "b"}, body);
  code.Set("count", 0).Label("top");
  code.Push({Constant{1}, Constant{1}}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  code.Push({Constant{1}}).Op(Action::GetVariable).Push({20}).Op(Action::Less2).If("top");
  code.Push({Constant{0}}).Call("mul", {6, 7}).Op(Action::SetVariable);
  code.Push({"s", "abc", 2, 1}).Op(Action::StringExtract).Op(Action::SetVariable);
  code.Push({"o", "x", 1, 1}).Op(Action::InitObject).Op(Action::SetVariable);
  code.Push({"/clip", 0, 30}).Op(Action::SetProperty);
  code.SetTarget("clip").Op(Action::Stop).SetTarget("");
  code.TraceVar("label");
  m.Main().Place(rect, 1).Place(pathId, 2).Place(bmpShape, 3).Place(field, 4).Place(button, 5, Transform::Translate(100, 50));
  m.Main().Place(sprite, 6, {}, "clip").Do(code).ShowFrame();
  m.Main().Label("second").Remove(2).Do(Actions().Push({"second"}).GotoFrame2(false).GetUrl("FSCommand:quit", "")).ShowFrame();
  return m;
}

MovieBuilder Features7() {
  MovieBuilder m(7, 300, 200, 24);
  Shape box;
  box.Fill({0, 0, 0}).Rect(0, -1024, 512, 1024);
  uint16_t font = m.DefineFont("Boxes", {{'A', box}});
  uint16_t device = m.DefineFont("_sans", {{'B', Shape()}});
  uint16_t text = m.DefineText(0, 0, 100, 40, {{font, 12, {9, 9, 9, 255}, 5, 20, {{0, 7}, {0, 7}}},
                                                {device, 10, {0, 0, 9, 255}, 5, 35, {{0, 6}}}});
  EditTextSpec field;
  field.variable = "shown";
  field.html = true;
  field.text = "<p>a &amp; b</p>";
  uint16_t fieldId = m.DefineEditText(field);
  Timeline inner;
  inner.Place(m.Rectangle(0, 0, 10, 10, {1, 1, 1}), 1).ShowFrame().ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions f2;
  f2.Push({Register{2}, "b"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Return);
  Actions thrower;
  thrower.Push({"oops"}).Op(Action::Throw);
  Actions onCatch;
  onCatch.TraceVar("e");
  Actions code;
  code.DefineFunction2("add", {{2, "a"}, {0, "b"}}, 3, kPreloadThis, f2);
  code.DefineFunction("thrower", {}, thrower);
  code.Try(Actions().Call("thrower").Op(Action::Pop), &onCatch, "e", &onCatch);
  code.Call("add", {1, 2}).Op(Action::Trace);
  code.Push({0, 0, 50, 50, true, true, "c"}).Op(Action::StartDrag);
  code.Push({"field"}).Op(Action::GetVariable).Push({"text", "changed"}).Op(Action::SetMember);
  m.Main().Place(text, 1).Place(fieldId, 2, {}, "field");
  m.Main().PlaceWithEvents(sprite, 3, {}, "c", {{kOnEnterFrame, Actions().Set("ticks", 1)},
                                                 {kOnMouseMove, Actions().Op(Action::EndDrag)}});
  m.Main().Do(code).ShowFrame().ShowFrame();
  return m;
}

// Classes, super, casts, for..in, with, try/finally, handlers, timers and the clip methods.
MovieBuilder Semantics(int version) {
  MovieBuilder m(version, 200, 200, 12);
  Timeline inner;
  inner.Place(m.Rectangle(0, 0, 20, 20, {5, 5, 5}), 1).Do(Actions().Set("ready", 1)).ShowFrame();
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  std::vector<uint8_t> exportBody = {1, 0, static_cast<uint8_t>(sprite), static_cast<uint8_t>(sprite >> 8)};
  for (char ch : std::string("Item")) exportBody.push_back(static_cast<uint8_t>(ch));
  exportBody.push_back(0);
  m.Main().Tag(56, exportBody);

  Actions a;
  a.DefineFunction("Base", {"v"}, Actions().Push({"this"}).Op(Action::GetVariable).Push({"v", "v"})
                                      .Op(Action::GetVariable).Op(Action::SetMember));
  a.DefineFunction2("Sub", {{2, "v"}}, 4, kPreloadThis | kPreloadSuper | kPreloadGlobal,
                    Actions().Push({Register{2}, 1, Register{2}}).Op(Action::Pop).Push({"super"})
                        .Op(Action::CallFunction).Op(Action::Pop));
  a.Push({"Sub"}).Op(Action::GetVariable).Push({"Base"}).Op(Action::GetVariable).Op(Action::Extends);
  a.Push({"Base"}).Op(Action::GetVariable).Push({1, "Sub"}).Op(Action::GetVariable).Op(Action::ImplementsOp);
  a.Push({"o", 3, 1, "Sub"}).Op(Action::NewObject).Op(Action::SetVariable);
  a.Push({"Base"}).Op(Action::GetVariable).Push({"o"}).Op(Action::GetVariable).Op(Action::CastOp).Op(Action::Pop);
  a.Push({"o"}).Op(Action::GetVariable).Push({"Sub"}).Op(Action::GetVariable).Op(Action::InstanceOf).Op(Action::Pop);
  a.Push({"o"}).Op(Action::GetVariable).Push({"valueOf"})
      .DefineFunction("", {}, Actions().Push({7}).Op(Action::Return)).Op(Action::SetMember);
  a.Push({"o"}).Op(Action::GetVariable).Push({1}).Op(Action::Add2).Push({"o"}).Op(Action::GetVariable)
      .Op(Action::Less2).Op(Action::Pop);
  a.Push({"o"}).Op(Action::GetVariable).Op(Action::Enumerate2);
  a.Label("loop").StoreRegister(0).Push({Null{}}).Op(Action::Equals2).If("done").Jump("loop").Label("done");
  a.Push({"o"}).Op(Action::GetVariable).With(Actions().Set("v", 9).TraceVar("v"));
  Actions thrower;
  thrower.Push({"e"}).Op(Action::Throw);
  Actions fin;
  fin.Push({"f"}).Op(Action::Delete2).Op(Action::Pop);
  a.Try(thrower, &fin, "caught", &fin);
  a.Push({0, "i", "Item"}).Push({3, "_root"}).Op(Action::GetVariable).Push({"attachMovie"}).Op(Action::CallMethod)
      .Op(Action::Pop);
  a.Push({1, "e", 2, "_root"}).Op(Action::GetVariable).Push({"createEmptyMovieClip"}).Op(Action::CallMethod)
      .Op(Action::Pop);
  a.Push({2, "d", 2, "i"}).Op(Action::GetVariable).Push({"duplicateMovieClip"}).Op(Action::CallMethod).Op(Action::Pop);
  a.Push({5, 1, "d"}).Op(Action::GetVariable).Push({"swapDepths"}).Op(Action::CallMethod).Op(Action::Pop);
  a.Push({true, 10, 10, 3, "i"}).Op(Action::GetVariable).Push({"hitTest"}).Op(Action::CallMethod).Op(Action::Pop);
  a.Push({"_root"}).Op(Action::GetVariable).Push({1, "i"}).Op(Action::GetVariable).Push({"getBounds"})
      .Op(Action::CallMethod).Op(Action::Pop);
  a.Push({"i"}).Op(Action::GetVariable).Push({"onPress"})
      .DefineFunction("", {}, Actions().Push({"d"}).Op(Action::GetVariable).Push({0, "removeMovieClip"})
                                  .Op(Action::StackSwap).Op(Action::CallMethod).Op(Action::Pop))
      .Op(Action::SetMember);
  a.Push({"i"}).Op(Action::GetVariable).Push({"onEnterFrame"})
      .DefineFunction("", {}, Actions().Push({"n"}).Op(Action::GetVariable).Op(Action::Trace)).Op(Action::SetMember);
  a.Push({"x", 30}).DefineFunction("", {"p"}, Actions().Set("n", 1)).Push({3, "setInterval"})
      .Op(Action::CallFunction).Op(Action::Pop);
  m.Main().PlaceWithEvents(sprite, 3, {}, "buttonlike", {{0x0400 | 0x0800, Actions().Set("pressed", 1)},
                                                        {0x0200 | 0x40000, Actions().Set("initialized", 1)},
                                                        {0x40 | 0x80, Actions().Set("key", 1)}});
  m.Main().Place(sprite, 1, {}, "placed").Do(a).ShowFrame();
  m.Main().Do(Actions().GotoFrame(3)).ShowFrame();
  m.Main().Place(sprite, 2).ShowFrame();
  m.Main().Remove(2).Do(Actions().GotoFrame(0)).ShowFrame();
  return m;
}

// Clips sharing a name, renamed and looked up through paths of every form; version flags and a
// sort with a compare function.
MovieBuilder Names(int version) {
  MovieBuilder m(version);
  Actions a;
  a.Push({1, "twin", 2, "_root"}).Op(Action::GetVariable).Push({"createEmptyMovieClip"}).Op(Action::CallMethod)
      .Op(Action::Pop);
  a.Set("i", 2).Label("dup");
  a.Push({"i"}).Op(Action::GetVariable).Push({"twin", 2, "twin"}).Op(Action::GetVariable)
      .Push({"duplicateMovieClip"}).Op(Action::CallMethod).Op(Action::Pop);
  a.Push({"twin", 13, "TWIN"}).Op(Action::SetProperty);
  a.Push({"twin/inner:v"}).Op(Action::GetVariable).Push({"_root.twin._x"}).Op(Action::GetVariable).Op(Action::Add2)
      .Op(Action::Pop);
  a.Push({"a//b:v", 1}).Op(Action::SetVariable).Push({"../twin"}).Op(Action::SetTarget2).SetTarget("");
  a.Push({"i", "i"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  a.Push({"i"}).Op(Action::GetVariable).Push({30}).Op(Action::Less2).If("dup");
  a.Push({0, 0x480, "watch,call", "Object.prototype"}).Op(Action::GetVariable).Push({4, "ASSetPropFlags"})
      .Op(Action::CallFunction).Op(Action::Pop);
  a.DefineFunction("cmp", {"x", "y"}, Actions().Push({0.5}).Op(Action::Return));
  a.Push({5, 4, 3, 2, 1, 5}).Op(Action::InitArray).StoreRegister(1).Op(Action::Pop);
  a.Push({"cmp"}).Op(Action::GetVariable).Push({1, Register{1}, "sort"}).Op(Action::CallMethod).Op(Action::Pop);
  m.Main().Do(a).ShowFrame();
  m.Main().Do(Actions().GotoFrame(0)).ShowFrame();
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus FOLDER\n");
    return 2;
  }
  std::string dir = argv[1];
  Write(dir, "everything6", Everything(6, false));
  Write(dir, "everything7_cws", Everything(7, true));
  Write(dir, "everything4", Everything(4, false));
  Write(dir, "features7", Features7());
  Write(dir, "semantics6", Semantics(6));
  Write(dir, "semantics7", Semantics(7));
  Write(dir, "names6", Names(6));
  Write(dir, "names7", Names(7));
  MovieBuilder button1(5);
  uint16_t sq = button1.Rectangle(0, 0, 10, 10, {1, 2, 3});
  button1.Main().Place(button1.DefineButton1({{0x0F, sq}}, Actions().Op(Action::Play)), 1).ShowFrame();
  Write(dir, "button1", button1);
  return 0;
}
