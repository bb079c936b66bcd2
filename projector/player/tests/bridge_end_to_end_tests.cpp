// Movies that send FSCommands, packed into real projectors with their extension libraries and run as child
// processes; the stand-in control's trace file shows what reached each movie.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bridge_test_support.h"
#include "format/payload.h"
#include "framework/odbc.h"
#include "common/unique_name.h"
#include "swfplayer/asm/movie_builder.h"
#include "test_support.h"
#include "testing_support/database.h"
#include "testing_support/top_windows.h"

using namespace testing_support;

namespace {

const Bytes& Vantra() {
  static Bytes library = ReadFileBytes(BuildTreePath(L"fscmd\\VantraFSCmd.dll"));
  return library;
}

const Bytes& TestLibrary() {
  static Bytes library = ReadFileBytes(BuildTreePath(L"projector\\fscommand\\tests\\TestFSCmd.dll"));
  return library;
}


FileBlock Library(const std::u16string& name, const Bytes& content) {
  return FileBlock{format::FsCommandMarker(), name, content, true};
}

// The last line the script movie traces: a run is looked at only once the movie got that far.
const char kScriptDone[] = "script done";

// A one-frame movie that sends "Start" (which nothing answers: the window handle's answer lands there), runs
// the script and stops.
Bytes ScriptMovie(const swfasm::Actions& script) {
  swfasm::MovieBuilder movie(6, 200, 150, 12);
  movie.Main().Background({255, 255, 255, 255});
  swfasm::Actions start;
  start.GetUrl("FSCommand:Start", "");
  swfasm::Actions stop;
  stop.Trace(kScriptDone);
  stop.Stop();
  movie.Main().Do(start).Do(script).Do(stop).ShowFrame();
  return movie.Build();
}

std::vector<std::string> Lines(const Bytes& text) {
  std::vector<std::string> lines;
  std::istringstream in(std::string(text.begin(), text.end()));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The trace lines a command caused: those after its "fscommand:" line, up to the next command or trace.
std::vector<std::string> After(const std::vector<std::string>& lines, const std::string& command) {
  std::vector<std::string> out;
  std::string wanted = "fscommand: " + command;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != wanted) continue;
    for (size_t j = i + 1; j < lines.size() && lines[j].rfind("fscommand: ", 0) != 0 &&
                           lines[j].rfind("trace: ", 0) != 0;
         ++j)
      out.push_back(lines[j]);
    return out;
  }
  ADD_FAILURE() << "no line " << wanted;
  return out;
}

using Strings = std::vector<std::string>;


class MovieProjector : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(BuiltStub().size(), 10000u) << "the projector must be built first";
    ASSERT_GT(Vantra().size(), 10000u);
    ASSERT_TRUE(RegisterBuiltFlashControl());
  }

  // Packs the movie with the libraries, runs it as `name` and gives the trace file's lines.
  std::vector<std::string> Run(const swfasm::Actions& script, std::vector<FileBlock> libraries = {},
                               const wchar_t* name = L"Show.exe",
                               const std::function<void(HWND)>& inspect = nullptr, DWORD closeAfterMs = 800) {
    if (libraries.empty()) libraries.push_back(Library(u"VantraFSCmd.dll", Vantra()));
    MemoryContent content;
    format::MovieDocumentData data;
    format::PlaylistEntry entry;
    entry.sourcePath = u"C:\\author\\bridge.swf";
    entry.displayTime = 0.0f;
    entry.movie = Embed(content, entry.sourcePath, ScriptMovie(script));
    data.playlist.entries.push_back(entry);
    data.window.title = u"Bridge test";
    std::wstring exe = scratch_ / name;
    EXPECT_TRUE(WriteFileBytes(exe, PackImage(BuiltStub(), data, content, 140, true, libraries)));
    std::wstring temp = scratch_ / L"temp";
    projector::CreateFolderPath(temp);
    std::wstring trace = scratch_ / L"trace.txt";
    ::DeleteFileW(trace.c_str());
    ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", trace.c_str());
    // A busy machine may take longer than the pause to start the movie: its last line is waited for first.
    auto waitThenInspect = [&](HWND window) {
      std::string done = std::string("trace: ") + kScriptDone;
      for (int i = 0; i < 400; ++i) {
        auto lines = Lines(ReadFileBytes(trace));
        if (std::find(lines.begin(), lines.end(), done) != lines.end()) break;
        ::Sleep(50);
      }
      if (inspect) inspect(window);
    };
    int code = RunAndClose(exe, temp, closeAfterMs, waitThenInspect);
    ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", nullptr);
    EXPECT_EQ(code, 0);
    return Lines(ReadFileBytes(trace));
  }

  ScratchFolder scratch_{L"bridge"};
};

swfasm::Actions Command(const std::string& command, const std::string& args) {
  swfasm::Actions a;
  a.GetUrl("FSCommand:" + command, args);
  return a;
}

TEST_F(MovieProjector, BeepWithNoArgumentsSetsOnlyTheReturnValue) {
  swfasm::Actions script = Command("Beep", "");
  script.TraceVar("fscmd_ret");
  auto lines = Run(script);
  EXPECT_EQ(After(lines, "Beep|"), (Strings{"setvariable: fscmd_ret=-99"}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "trace: -99"), lines.end());
}

TEST_F(MovieProjector, TheWindowHandleReachesTheLibraryOnceBeforeTheFirstCommand) {
  auto lines = Run(Command("Beep", ""));
  // The library's answer to WindowSetHandle lands in the movie; the movie's own first command is unanswered.
  EXPECT_EQ(After(lines, "Start|"), (Strings{"setvariable: fscmd_ret=-99"}));
  EXPECT_EQ(After(lines, "Beep|"), (Strings{"setvariable: fscmd_ret=-99"}));
}

TEST_F(MovieProjector, AnswersLandInTheVariablesTheArgumentsName) {
  swfasm::Actions script = Command("Pipe2", "first,second");
  script.GetUrl("FSCommand:Pipe3", ",named");
  script.GetUrl("FSCommand:Empty", "a,b");
  script.GetUrl("FSCommand:Echo", ",x");
  auto lines = Run(script, {Library(u"TestFSCmd.dll", TestLibrary())});
  EXPECT_EQ(After(lines, "Pipe2|first,second"), (Strings{"setvariable: fscmd_ret=A", "setvariable: first=B"}));
  EXPECT_EQ(After(lines, "Pipe3|,named"), (Strings{"setvariable: fscmd_ret=A", "setvariable: named=C"}));
  EXPECT_EQ(After(lines, "Empty|a,b"), Strings{});
  EXPECT_EQ(After(lines, "Echo|,x"), (Strings{"setvariable: fscmd_ret=x"}));
}

TEST_F(MovieProjector, ExportsMatchCaseSensitivelyAndBuiltInsDoNot) {
  swfasm::Actions script = Command("beep", "");
  script.GetUrl("FSCommand:DRAGCANCEL", "");
  auto lines = Run(script);
  EXPECT_EQ(After(lines, "beep|"), Strings{});
  EXPECT_EQ(After(lines, "DRAGCANCEL|"), (Strings{"setvariable: fscmd_ret=1"}));
}

TEST_F(MovieProjector, OfTwoLibrariesWithTheSameExportTheFirstBySortedNameAnswers) {
  // Without regard to case "aSecond" sorts before "ZFirst"; by code units it would come after.
  auto lines = Run(Command("Which", ""),
                   {Library(u"ZFirstFSCmd.dll", TestLibrary()), Library(u"aSecondFSCmd.dll", TestLibrary())});
  EXPECT_EQ(After(lines, "Which|"), (Strings{"setvariable: fscmd_ret=aSecondFSCmd.dll"}));
}

TEST_F(MovieProjector, EachBuiltInCommandAnswersTheMovie) {
  swfasm::Actions script = Command("allowscale", "false");
  script.GetUrl("FSCommand:DragAddRect", "10,10,100,100");
  script.GetUrl("FSCommand:DragSubEllipse", "20,20,90,90");
  script.GetUrl("FSCommand:DragAddEllipse", "0,0,10");
  script.GetUrl("FSCommand:DragSubRect", "0,0,5,5");
  script.GetUrl("FSCommand:DragAddPoly", "0,0,50,0,0,50,7");
  script.GetUrl("FSCommand:DragSubPoly", "0,0,5,0,0");
  script.GetUrl("FSCommand:DragCancel", "");
  script.GetUrl("FSCommand:ShowImage", "");
  script.GetUrl("FSCommand:AllowScale", "TRUE");
  auto lines = Run(script);
  EXPECT_EQ(After(lines, "allowscale|false"), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_EQ(After(lines, "DragAddRect|10,10,100,100"), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_EQ(After(lines, "DragSubEllipse|20,20,90,90"), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_EQ(After(lines, "DragAddEllipse|0,0,10"), (Strings{"setvariable: fscmd_ret=0"}));
  EXPECT_EQ(After(lines, "DragSubRect|0,0,5,5"), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_EQ(After(lines, "DragAddPoly|0,0,50,0,0,50,7"), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_EQ(After(lines, "DragSubPoly|0,0,5,0,0"), (Strings{"setvariable: fscmd_ret=0"}));
  EXPECT_EQ(After(lines, "DragCancel|"), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_EQ(After(lines, "ShowImage|"), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_EQ(After(lines, "AllowScale|TRUE"), (Strings{"setvariable: fscmd_ret=1"}));
}

TEST_F(MovieProjector, FullScreenFillsTheScreenAndComesBack) {
  RECT during{}, clientDuring{}, after{}, clientAfter{};
  DWORD styleAfter = 0;
  auto lines = Run(Command("fullscreen", "true"), {}, L"Show.exe", [&](HWND window) {
    ::GetWindowRect(window, &during);
    ::GetClientRect(window, &clientDuring);
    // Restoring the window (the context menu's Restore posts the same) ends full screen.
    ::PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    for (int i = 0; i < 200; ++i) {
      ::GetWindowRect(window, &after);
      if (after.right - after.left < during.right - during.left) break;
      ::Sleep(10);
    }
    ::Sleep(100);
    ::GetWindowRect(window, &after);
    ::GetClientRect(window, &clientAfter);
    styleAfter = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
  });
  EXPECT_EQ(After(lines, "fullscreen|true"), (Strings{"setvariable: fscmd_ret=1"}));
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(during.left, -1);
  EXPECT_EQ(during.top, -1);
  EXPECT_EQ(clientDuring.right, cx + 2);
  EXPECT_EQ(clientDuring.bottom, cy + 2);
  // Back to the captioned window the movie's stage sized and centred.
  EXPECT_TRUE(styleAfter & WS_CAPTION);
  EXPECT_EQ(clientAfter.right, 200);
  EXPECT_EQ(clientAfter.bottom, 150);
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int w = after.right - after.left, h = after.bottom - after.top;
  EXPECT_EQ(after.left, (work.right - work.left) / 2 - w / 2);
  EXPECT_EQ(after.top, (work.bottom - work.top) / 2 - h / 2);
}

TEST_F(MovieProjector, UnderTheAuthoringToolsNameScaleAndFullScreenAreLeftAlone) {
  RECT during{};
  swfasm::Actions script = Command("fullscreen", "true");
  script.GetUrl("FSCommand:allowscale", "false");
  script.GetUrl("FSCommand:DragCancel", "");
  auto lines = Run(script, {}, L"Brindlework.exe", [&](HWND window) { ::GetWindowRect(window, &during); });
  EXPECT_EQ(After(lines, "fullscreen|true"), Strings{});
  EXPECT_EQ(After(lines, "allowscale|false"), Strings{});
  EXPECT_EQ(After(lines, "DragCancel|"), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_LT(during.right - during.left, ::GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(MovieProjector, ShowImageWithOnlyAPathOpensAtTheDefaultPlaceFittedToThePicture) {
  std::wstring picture = scratch_ / L"shown.bmp";
  ASSERT_TRUE(WriteFileBytes(picture, SolidBitmap(160, 90)));
  std::string path(picture.begin(), picture.end());
  RECT window{}, client{};
  bool visible = false;
  std::wstring title;
  auto lines = Run(Command("ShowImage", path), {}, L"Show.exe", [&](HWND player) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(player, &process);
    HWND image = nullptr;
    // The movie sends its command once it plays, which a busy machine delays: the window is waited for.
    for (int i = 0; i < 200 && !image; ++i) {
      for (HWND candidate : testing_support::ProcessWindows(process)) {
        if (testing_support::WindowClass(candidate) == L"ProjectorImageWindow") image = candidate;
      }
      if (!image) ::Sleep(50);
    }
    if (!image) return;
    visible = ::IsWindowVisible(image);
    ::GetWindowRect(image, &window);
    ::GetClientRect(image, &client);
    wchar_t text[MAX_PATH] = {};
    ::GetWindowTextW(image, text, MAX_PATH);
    title = text;
  });
  EXPECT_EQ(After(lines, "ShowImage|" + path), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_TRUE(visible);
  EXPECT_EQ(window.left, 100);
  EXPECT_EQ(window.top, 100);
  EXPECT_EQ(client.right, 160);
  EXPECT_EQ(client.bottom, 90);
  EXPECT_EQ(title, L"shown.bmp");
}

}  // namespace

namespace {

TEST_F(MovieProjector, AMovieWritesAFileAndReadsItBackThroughTheFileSlots) {
  std::wstring file = scratch_ / L"written.txt";
  std::string path(file.begin(), file.end());
  swfasm::Actions script = Command("WriteStr", path + ",w,hello, movie");
  script.GetUrl("FSCommand:FileOpen", "3," + path + ",r");
  script.GetUrl("FSCommand:FileRead", "3,readback,5");
  script.GetUrl("FSCommand:FileRead", "3,rest,L");
  script.GetUrl("FSCommand:FileClose", "3");
  script.TraceVar("readback").TraceVar("rest");
  auto lines = Run(script);
  EXPECT_EQ(After(lines, "WriteStr|" + path + ",w,hello, movie"), (Strings{"setvariable: fscmd_ret=2"}));
  EXPECT_EQ(After(lines, "FileOpen|3," + path + ",r"), (Strings{"setvariable: fscmd_ret=0"}));
  EXPECT_EQ(After(lines, "FileRead|3,readback,5"),
            (Strings{"setvariable: fscmd_ret=0", "setvariable: 3=3", "setvariable: readback=hello",
                     "setvariable: 5=5"}));
  EXPECT_EQ(After(lines, "FileRead|3,rest,L"),
            (Strings{"setvariable: fscmd_ret=0", "setvariable: 3=3", "setvariable: rest=, movie",
                     "setvariable: L=L"}));
  EXPECT_EQ(After(lines, "FileClose|3"), (Strings{"setvariable: fscmd_ret=0"}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "trace: hello"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "trace: , movie"), lines.end());
  Bytes written = ReadFileBytes(file);
  EXPECT_EQ(std::string(written.begin(), written.end()), "hello, movie");
}

}  // namespace

namespace {

// The database file of 1000 rows a movie walks; made through ODBC, since statements with commas cannot
// come from a movie.
std::string MakeThousandRows(const std::wstring& file) {
  std::wstring connect = SqliteConnectString(file);
  framework::CDatabase database;
  EXPECT_FALSE(database.OpenEx(connect));
  EXPECT_FALSE(database.ExecuteSQL(L"CREATE TABLE items (id INTEGER, name VARCHAR(20))"));
  EXPECT_FALSE(database.ExecuteSQL(
      L"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
      L"INSERT INTO items SELECT i, 'item ' || i FROM n"));
  return std::string(connect.begin(), connect.end());
}

TEST_F(MovieProjector, AMovieWalksAThousandRowsIntoItsVariables) {
  std::string connect = MakeThousandRows(scratch_ / L"items.db");
  // count = 0; sum = 0; open; query; do { read id and name; sum += id; ++count; next } while (fscmd_ret == 0)
  swfasm::Actions script = Command("DBOpen", "1," + connect);
  script.GetUrl("FSCommand:DBDoSQL", "1,SELECT * FROM items ORDER BY id");
  script.Set("count", 0).Set("sum", 0).Label("row");
  script.GetUrl("FSCommand:DBGetFieldVal", "1,0,id");
  script.GetUrl("FSCommand:DBGetFieldVal", "1,NAME,name");
  script.Push({"sum", "sum"}).Op(swfasm::Action::GetVariable).Push({"id"}).Op(swfasm::Action::GetVariable);
  script.Op(swfasm::Action::ToNumber).Op(swfasm::Action::Add2).Op(swfasm::Action::SetVariable);
  script.Push({"count", "count"}).Op(swfasm::Action::GetVariable).Op(swfasm::Action::Increment);
  script.Op(swfasm::Action::SetVariable);
  script.GetUrl("FSCommand:DBMoveNext", "1");
  script.Push({"fscmd_ret"}).Op(swfasm::Action::GetVariable).Push({0}).Op(swfasm::Action::Equals2).If("row");
  script.Trace("walked").TraceVar("count").TraceVar("sum").TraceVar("name").TraceVar("fscmd_ret");
  script.GetUrl("FSCommand:DBClose", "1");
  auto lines = Run(script, {}, L"Show.exe", nullptr, 2000);

  EXPECT_EQ(After(lines, "DBOpen|1," + connect), (Strings{"setvariable: fscmd_ret=0"}));
  EXPECT_EQ(After(lines, "DBDoSQL|1,SELECT * FROM items ORDER BY id"), (Strings{"setvariable: fscmd_ret=2"}));
  auto walked = std::find(lines.begin(), lines.end(), "trace: walked");
  ASSERT_NE(walked, lines.end());
  EXPECT_EQ(Strings(walked + 1, std::min(walked + 5, lines.end())),
            (Strings{"trace: 1000", "trace: 500500", "trace: item 1000", "trace: -106"}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "fscommand: DBGetFieldVal|1,NAME,name"), 1000);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "setvariable: name=item 500"), lines.end());
  EXPECT_EQ(After(lines, "DBClose|1"), (Strings{"setvariable: fscmd_ret=0"}));
}

}  // namespace

namespace {

// Presses the left button at a point of the player's client area, moves the mouse and lets go; true when the
// window followed the mouse.
bool DragsFrom(HWND player, POINT client) {
  RECT before, after;
  ::GetWindowRect(player, &before);
  POINT at = client;
  ::ClientToScreen(player, &at);
  ::SetCursorPos(at.x, at.y);
  ::Sleep(100);
  ::PostMessageW(player, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
  ::Sleep(150);
  ::SetCursorPos(at.x + 40, at.y + 30);
  ::PostMessageW(player, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.x + 40, client.y + 30));
  ::Sleep(150);
  ::PostMessageW(player, WM_LBUTTONUP, 0, MAKELPARAM(client.x + 40, client.y + 30));
  ::Sleep(150);
  ::GetWindowRect(player, &after);
  return after.left != before.left || after.top != before.top;
}

TEST_F(MovieProjector, ARectangleLessAnEllipseMakesTheWindowDraggableByARing) {
  swfasm::Actions script = Command("DragAddRect", "10,10,100,100");
  script.GetUrl("FSCommand:DragSubEllipse", "20,20,90,90");
  bool hole = true, outside = true, ring = false;
  SIZE client{};
  auto lines = Run(script, {}, L"Show.exe", [&](HWND player) {
    RECT r;
    ::GetClientRect(player, &r);
    client = {r.right, r.bottom};
    hole = DragsFrom(player, {55, 55});
    outside = DragsFrom(player, {150, 120});
    ring = DragsFrom(player, {12, 12});
  });
  EXPECT_EQ(After(lines, "DragAddRect|10,10,100,100"), (Strings{"setvariable: fscmd_ret=1"}));
  EXPECT_EQ(After(lines, "DragSubEllipse|20,20,90,90"), (Strings{"setvariable: fscmd_ret=1"}));
  ASSERT_EQ(client.cx, 200) << "the player shows the stage at its own size";
  ASSERT_EQ(client.cy, 150);
  EXPECT_FALSE(hole);
  EXPECT_FALSE(outside);
  EXPECT_TRUE(ring);
}

}  // namespace
