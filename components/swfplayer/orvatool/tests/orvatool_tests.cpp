// The transparent player control on its own under Wine: created by its ProgID in a small windowless site, drawn
// into bitmaps, driven through its dispatch operations and window messages, registered by regsvr32.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/com.h"
#include "framework/handles.h"
#include "swfplayer/asm/movie_builder.h"
#include "swfplayer/control/orvatool_dispids.h"
#include "testing_support/control_registration.h"
#include "testing_support/files.h"
#include "windowless_test_site.h"

using namespace testing_support;
using namespace orvatool_testing;
using framework::ComPtr;
using framework::Variant;

namespace {

constexpr wchar_t kModule[] = L"components\\swfplayer\\orvatool\\Orvatool.ocx";
constexpr wchar_t kProgId[] = L"saxwrapper.orvatool";
const CLSID kClsid = {0x7DABBC7F, 0x9EF1, 0x47F9, {0x95, 0x13, 0x2C, 0x7E, 0x36, 0x23, 0xD3, 0x06}};

void Pump(int ms) {
  DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
  while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  }
}

// 100 x 100 stage: an opaque red square at (0, 0), a half-transparent green one at (50, 0), nothing below.
Bytes AlphaMovie() {
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  movie.Main().Background({255, 255, 255, 255});
  uint16_t opaque = movie.Rectangle(0, 0, 40, 40, {255, 0, 0, 255});
  uint16_t half = movie.Rectangle(50, 0, 40, 40, {0, 255, 0, 128});
  movie.Main().Place(opaque, 1).Place(half, 2).Do(swfasm::Actions().Stop()).ShowFrame();
  return movie.Build();
}

// Five frames, a square moving right on each; stopped on the first unless told to play.
Bytes FramesMovie(bool play, const swfasm::Actions& first = {}) {
  swfasm::MovieBuilder movie(6, 100, 100, 20);
  uint16_t square = movie.Rectangle(25, 25, 50, 50, {255, 0, 0, 255});
  swfasm::Actions script = first;
  if (!play) script.Stop();
  movie.Main().Place(square, 1).Do(script).ShowFrame();
  for (int i = 1; i < 5; ++i) movie.Main().Move(1, swfasm::Transform::Translate(2.0 * i, 0)).ShowFrame();
  return movie.Build();
}

// A 40 x 40 button at the stage's top-left corner that traces when it is clicked.
Bytes ButtonMovie() {
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  uint16_t square = movie.Rectangle(0, 0, 40, 40, {255, 0, 0, 255});
  uint16_t button = movie.DefineButton1({{0x0F, square}}, swfasm::Actions().Trace("pressed"));
  movie.Main().Place(button, 1).Do(swfasm::Actions().Stop()).ShowFrame();
  return movie.Build();
}

// A 32-bit top-down DIB section of the given size, every byte `fill`, selected in a memory DC.
class PixelBuffer {
 public:
  PixelBuffer(int width, int height, int bits, uint8_t fill) : width_(width), bits_(bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_.reset(::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &pixels_, nullptr, 0));
    stride_ = ((width * bits / 8) + 3) & ~3;
    if (pixels_) std::memset(pixels_, fill, static_cast<size_t>(stride_) * height);
    old_ = ::SelectObject(dc_, bitmap_.get());
  }
  ~PixelBuffer() {
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  bool ok() const { return pixels_ != nullptr; }
  // 0xAARRGGBB for 32 bits, 0x00RRGGBB for 24.
  uint32_t At(int x, int y) const {
    ::GdiFlush();
    const uint8_t* p = static_cast<const uint8_t*>(pixels_) + static_cast<size_t>(y) * stride_ + x * (bits_ / 8);
    uint32_t value = p[0] | (p[1] << 8) | (p[2] << 16);
    if (bits_ == 32) value |= static_cast<uint32_t>(p[3]) << 24;
    return value;
  }

 private:
  int width_, bits_, stride_ = 0;
  HDC dc_ = nullptr;
  void* pixels_ = nullptr;
  framework::UniqueBitmap bitmap_;
  HGDIOBJ old_ = nullptr;
};

// The control is registered by the tests that create it; the program leaves it unregistered.
class UnregisterAtExit : public ::testing::Environment {
 public:
  void TearDown() override { CallBuiltModuleExport(kModule, "DllUnregisterServer"); }
};
const auto* const g_unregister = ::testing::AddGlobalTestEnvironment(new UnregisterAtExit);

int Channel(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

// One control per test in the test site over a plain window, with a scratch folder for its movies and trace.
class Orvatool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    ASSERT_TRUE(SUCCEEDED(CallBuiltModuleExport(kModule, "DllRegisterServer")));
    window_ = ::CreateWindowExW(0, L"STATIC", L"windowless site", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 300,
                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    site_.window = window_;
  }
  void TearDown() override {
    Close();
    ::DestroyWindow(window_);
    ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", nullptr);
    ::OleUninitialize();
  }

  // Created by ProgID in the test site, its events heard by the recorder, and in-place activated.
  HRESULT Create() {
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(kProgId, &clsid);
    if (FAILED(hr)) return hr;
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object_.put_void());
    if (FAILED(hr)) return hr;
    dispatch_.QueryFrom(object_.get(), IID_IDispatch);
    object_->SetClientSite(&site_);
    ComPtr<IProvideClassInfo2> info;
    ComPtr<IConnectionPointContainer> points;
    IID events = IID_NULL;
    if (SUCCEEDED(info.QueryFrom(object_.get(), IID_IProvideClassInfo2)) &&
        SUCCEEDED(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events)) &&
        SUCCEEDED(points.QueryFrom(object_.get(), IID_IConnectionPointContainer)) &&
        SUCCEEDED(points->FindConnectionPoint(events, point_.put())))
      point_->Advise(&recorder_, &cookie_);
    return object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site_, 0, window_, &site_.rect);
  }
  void Close() {
    if (point_ && cookie_) point_->Unadvise(cookie_);
    point_.reset();
    dispatch_.reset();
    if (object_) {
      object_->Close(OLECLOSE_NOSAVE);
      object_->SetClientSite(nullptr);
      object_.reset();
    }
  }

  // One operation, its arguments in declaration order.
  HRESULT Call(DISPID id, std::vector<Variant> args = {}, VARIANT* result = nullptr, WORD flags = DISPATCH_METHOD) {
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->get());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
  }
  long CallLong(DISPID id) {
    Variant result;
    EXPECT_EQ(Call(id, {}, result.put()), S_OK);
    return result.type() == VT_I4 ? result.get()->lVal : -999;
  }
  bool CallBool(DISPID id) {
    Variant result;
    EXPECT_EQ(Call(id, {}, result.put()), S_OK);
    EXPECT_EQ(result.type(), VT_BOOL);
    return result.type() == VT_BOOL && result.get()->boolVal != VARIANT_FALSE;
  }
  std::wstring CallText(DISPID id, std::vector<Variant> args = {}) {
    Variant result;
    EXPECT_EQ(Call(id, std::move(args), result.put()), S_OK);
    return result.type() == VT_BSTR && result.get()->bstrVal ? result.get()->bstrVal : L"?";
  }
  HRESULT Load(const std::wstring& name, const Bytes& movie) {
    std::wstring path = scratch_ / name;
    EXPECT_TRUE(WriteFileBytes(path, movie));
    return Call(orvatool::kSetMovie, [&] {
      std::vector<Variant> a;
      a.emplace_back(path);
      return a;
    }());
  }
  HRESULT Message(UINT msg, int x, int y, WPARAM wp = 0) {
    ComPtr<IOleInPlaceObjectWindowless> windowless;
    if (FAILED(windowless.QueryFrom(object_.get(), IID_IOleInPlaceObjectWindowless))) return E_NOINTERFACE;
    LRESULT result = 0;
    return windowless->OnWindowMessage(msg, wp, MAKELPARAM(x, y), &result);
  }
  HRESULT Draw(HDC dc, const RECTL& bounds) {
    ComPtr<IViewObject> view;
    if (FAILED(view.QueryFrom(object_.get(), IID_IViewObject))) return E_NOINTERFACE;
    return view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
  }
  std::string TraceText() {
    Bytes text = ReadFileBytes(trace_);
    return std::string(text.begin(), text.end());
  }
  void TraceToFile() { ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", trace_.c_str()); }

  ScratchFolder scratch_{L"orvatool"};
  std::wstring trace_ = scratch_ / L"trace.txt";
  HWND window_ = nullptr;
  WindowlessTestSite site_;
  EventRecorder recorder_;
  ComPtr<IOleObject> object_;
  ComPtr<IDispatch> dispatch_;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

std::vector<Variant> Texts(std::initializer_list<const wchar_t*> texts) {
  std::vector<Variant> out;
  for (const wchar_t* t : texts) out.emplace_back(t);
  return out;
}

TEST_F(Orvatool, IsCreatedByItsProgIdAndActivatesWithoutAWindow) {
  CLSID clsid;
  ASSERT_EQ(::CLSIDFromProgID(kProgId, &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kClsid));
  ASSERT_EQ(Create(), S_OK);
  EXPECT_EQ(site_.activations, 1);
  EXPECT_EQ(site_.activateFlags, static_cast<DWORD>(ACTIVATE_WINDOWLESS));
  EXPECT_NE(cookie_, 0u) << "the default source interface could not be advised";
  ComPtr<IOleInPlaceObjectWindowless> windowless;
  ASSERT_EQ(windowless.QueryFrom(object_.get(), IID_IOleInPlaceObjectWindowless), S_OK);
  HWND own = reinterpret_cast<HWND>(1);
  EXPECT_TRUE(FAILED(windowless->GetWindow(&own)));
  EXPECT_EQ(own, nullptr);
  // Activating again changes nothing; closing tells the site once.
  EXPECT_EQ(object_->DoVerb(OLEIVERB_SHOW, nullptr, &site_, 0, window_, &site_.rect), S_OK);
  EXPECT_EQ(site_.activations, 1);
  Close();
  EXPECT_EQ(site_.deactivations, 1);
  EXPECT_EQ(site_.activateFlags, 0u);
}

TEST_F(Orvatool, ASiteThatRefusesWindowlessActivationGetsAFailure) {
  site_.allowWindowless = false;
  EXPECT_TRUE(FAILED(Create()));
  EXPECT_EQ(site_.activations, 0);
}

TEST_F(Orvatool, DrawsItsPictureWithPremultipliedAlphaOverAnEmptyStage) {
  ASSERT_EQ(Create(), S_OK);
  ASSERT_EQ(Load(L"alpha.swf", AlphaMovie()), S_OK);
  PixelBuffer pixels(100, 100, 32, 0);
  ASSERT_TRUE(pixels.ok());
  ASSERT_EQ(Draw(pixels.dc(), RECTL{0, 0, 100, 100}), S_OK);
  EXPECT_EQ(pixels.At(20, 20), 0xFFFF0000u);
  uint32_t half = pixels.At(70, 20);
  EXPECT_NEAR(Channel(half, 24), 128, 2);
  EXPECT_NEAR(Channel(half, 8), 128, 2) << "green is not premultiplied";
  EXPECT_EQ(Channel(half, 16), 0);
  EXPECT_EQ(Channel(half, 0), 0);
  EXPECT_EQ(pixels.At(20, 70), 0u);
  EXPECT_EQ(pixels.At(95, 95), 0u);
}

TEST_F(Orvatool, DrawsAtTheBoundsItIsGivenAndBlendsOverWhatIsThere) {
  ASSERT_EQ(Create(), S_OK);
  ASSERT_EQ(Load(L"alpha.swf", AlphaMovie()), S_OK);
  // The same movie at half size from (100, 100), over grey, in a bitmap without alpha.
  PixelBuffer pixels(200, 200, 24, 0x40);
  ASSERT_TRUE(pixels.ok());
  ASSERT_EQ(Draw(pixels.dc(), RECTL{100, 100, 150, 150}), S_OK);
  EXPECT_EQ(pixels.At(110, 110), 0xFF0000u);
  EXPECT_EQ(pixels.At(50, 50), 0x404040u);
  EXPECT_EQ(pixels.At(110, 140), 0x404040u) << "the stage's background was drawn";
  uint32_t half = pixels.At(135, 110);
  EXPECT_NEAR(Channel(half, 16), 32, 3);
  EXPECT_NEAR(Channel(half, 8), 160, 3);
  EXPECT_NEAR(Channel(half, 0), 32, 3);
}

TEST_F(Orvatool, WritesAlphaIntoABitmapMadeForTheScreen) {
  ASSERT_EQ(Create(), S_OK);
  ASSERT_EQ(Load(L"alpha.swf", AlphaMovie()), S_OK);
  framework::ScreenDC screen;
  if (::GetDeviceCaps(screen.get(), BITSPIXEL) != 32) GTEST_SKIP() << "the display has no 32-bit bitmaps";
  HDC memory = ::CreateCompatibleDC(screen.get());
  framework::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), 100, 100));
  ASSERT_TRUE(bitmap);
  HGDIOBJ old = ::SelectObject(memory, bitmap.get());
  RECT all{0, 0, 100, 100};
  ::FillRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  HRESULT hr = Draw(memory, RECTL{0, 0, 100, 100});
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ASSERT_EQ(hr, S_OK);
  std::vector<uint32_t> bits(100 * 100);
  ASSERT_EQ(::GetBitmapBits(bitmap.get(), 100 * 100 * 4, bits.data()), 100 * 100 * 4);
  EXPECT_EQ(bits[20 * 100 + 20], 0xFFFF0000u);
  EXPECT_NEAR(Channel(bits[20 * 100 + 70], 24), 128, 2);
  EXPECT_EQ(bits[70 * 100 + 20], 0u);
}

TEST_F(Orvatool, InvalidatesItselfThroughTheSiteWhenThePictureChanges) {
  ASSERT_EQ(Create(), S_OK);
  ASSERT_EQ(Load(L"play.swf", FramesMovie(true)), S_OK);
  site_.invalidations = 0;
  Pump(500);
  EXPECT_GE(site_.invalidations, 4);
  EXPECT_TRUE(CallBool(orvatool::kIsPlaying));
  // A still picture asks for no redraw; stepping does.
  ASSERT_EQ(Call(orvatool::kStopPlay), S_OK);
  Pump(150);
  site_.invalidations = 0;
  Pump(300);
  EXPECT_EQ(site_.invalidations, 0);
  ASSERT_EQ(Call(orvatool::kForward), S_OK);
  EXPECT_GE(site_.invalidations, 1);
  // Without a movie the clock stops.
  ASSERT_EQ(Call(orvatool::kSetMovie, Texts({L" "})), S_OK);
  Pump(50);
  site_.invalidations = 0;
  Pump(300);
  EXPECT_EQ(site_.invalidations, 0);
}

TEST_F(Orvatool, AClickOnAButtonReachesTheMovieAndOneOnTheEmptyStageDoesNot) {
  TraceToFile();
  site_.rect = RECT{20, 20, 120, 120};
  ASSERT_EQ(Create(), S_OK);
  ASSERT_EQ(Load(L"button.swf", ButtonMovie()), S_OK);
  // Container coordinates: the stage's (90, 90) is empty.
  EXPECT_EQ(Message(WM_MOUSEMOVE, 110, 110), S_OK);
  EXPECT_EQ(Message(WM_SETCURSOR, 0, 0), S_FALSE);
  EXPECT_EQ(Message(WM_LBUTTONDOWN, 110, 110, MK_LBUTTON), S_OK);
  EXPECT_TRUE(site_.captured) << "a press holds the mouse until the release";
  EXPECT_TRUE(site_.focused);
  EXPECT_EQ(Message(WM_LBUTTONUP, 110, 110), S_OK);
  EXPECT_FALSE(site_.captured);
  EXPECT_EQ(TraceText(), "");
  // The stage's (20, 20) lies on the button.
  EXPECT_EQ(Message(WM_MOUSEMOVE, 40, 40), S_OK);
  EXPECT_EQ(Message(WM_SETCURSOR, 0, 0), S_OK);
  EXPECT_EQ(Message(WM_LBUTTONDOWN, 40, 40, MK_LBUTTON), S_OK);
  EXPECT_EQ(Message(WM_LBUTTONUP, 40, 40), S_OK);
  EXPECT_EQ(TraceText(), "trace: pressed\n");
  // What the movie does not take is left to the site's default handling.
  EXPECT_EQ(Message(WM_CONTEXTMENU, 40, 40), S_FALSE);
  EXPECT_EQ(Message(WM_RBUTTONDOWN, 40, 40), S_FALSE);
}

TEST_F(Orvatool, KeysReachTheMoviesKeyListeners) {
  using swfasm::Action;
  TraceToFile();
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  swfasm::Actions onKey;
  onKey.Push({0, "Key"}).Op(Action::GetVariable).Push({"getCode"}).Op(Action::CallMethod).Op(Action::Trace);
  swfasm::Actions a;
  a.Push({"l", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"l"}).Op(Action::GetVariable).Push({"onKeyDown"}).DefineFunction("", {}, onKey).Op(Action::SetMember);
  a.Push({"l"}).Op(Action::GetVariable).Push({1, "Key"}).Op(Action::GetVariable).Push({"addListener"})
      .Op(Action::CallMethod).Op(Action::Pop);
  movie.Main().Do(a.Stop()).ShowFrame();
  ASSERT_EQ(Create(), S_OK);
  ASSERT_EQ(Load(L"keys.swf", movie.Build()), S_OK);
  ComPtr<IOleInPlaceObjectWindowless> windowless;
  ASSERT_EQ(windowless.QueryFrom(object_.get(), IID_IOleInPlaceObjectWindowless), S_OK);
  LRESULT result = 0;
  EXPECT_EQ(windowless->OnWindowMessage(WM_KEYDOWN, 'A', (0x1E << 16) | 1, &result), S_OK);
  EXPECT_EQ(windowless->OnWindowMessage(WM_KEYUP, 'A', (0x1E << 16) | 1, &result), S_OK);
  EXPECT_EQ(windowless->OnWindowMessage(WM_KEYDOWN, VK_LEFT, (0x4B << 16) | 1, &result), S_OK);
  EXPECT_EQ(TraceText(), "trace: 65\ntrace: 37\n");
}

TEST_F(Orvatool, WithoutAMovieNothingIsTakenAndNothingIsDrawn) {
  ASSERT_EQ(Create(), S_OK);
  EXPECT_EQ(Message(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON), S_FALSE);
  EXPECT_EQ(Message(WM_KEYDOWN, 'A', 0), S_FALSE);
  PixelBuffer pixels(20, 20, 32, 0);
  ASSERT_EQ(Draw(pixels.dc(), RECTL{0, 0, 20, 20}), S_OK);
  EXPECT_EQ(pixels.At(10, 10), 0u);
}

TEST_F(Orvatool, RaisesReadyStateChangeThenTheMoviesFSCommand) {
  TraceToFile();
  ASSERT_EQ(Create(), S_OK);
  ASSERT_EQ(Load(L"command.swf", FramesMovie(false, swfasm::Actions().GetUrl("FSCommand:hello", "big world"))),
            S_OK);
  ASSERT_EQ(recorder_.events.size(), 2u);
  EXPECT_EQ(recorder_.events[0].id, orvatool::kReadyStateChange);
  EXPECT_EQ(recorder_.events[0].number, 4);
  EXPECT_EQ(recorder_.events[1].id, orvatool::kFSCommand);
  EXPECT_EQ(recorder_.events[1].texts, (std::vector<std::wstring>{L"hello", L"big world"}));
  EXPECT_EQ(TraceText(), "fscommand: hello|big world\n");
  // Frozen events are not delivered; they stay frozen until every freeze is thawed, and extra thaws do not bank.
  ComPtr<IOleControl> control;
  ASSERT_EQ(control.QueryFrom(object_.get(), IID_IOleControl), S_OK);
  const Bytes again = FramesMovie(false, swfasm::Actions().GetUrl("FSCommand:again", ""));
  auto eventsOfAnotherLoad = [&] {
    EXPECT_EQ(Load(L"again.swf", again), S_OK);
    return recorder_.events.size();
  };
  control->FreezeEvents(TRUE);
  control->FreezeEvents(TRUE);
  EXPECT_EQ(eventsOfAnotherLoad(), 2u);
  control->FreezeEvents(FALSE);
  EXPECT_EQ(eventsOfAnotherLoad(), 2u);
  control->FreezeEvents(FALSE);
  control->FreezeEvents(FALSE);
  control->FreezeEvents(TRUE);
  EXPECT_EQ(eventsOfAnotherLoad(), 2u);
  control->FreezeEvents(FALSE);
  EXPECT_EQ(eventsOfAnotherLoad(), 4u);
}

// Counts the view changes it is told of.
class ViewSink final : public IAdviseSink {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAdviseSink) ? this : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
  STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  STDMETHODIMP_(void) OnViewChange(DWORD aspect, LONG) override {
    if (aspect == DVASPECT_CONTENT) ++changes;
  }
  STDMETHODIMP_(void) OnRename(IMoniker*) override {}
  STDMETHODIMP_(void) OnSave() override {}
  STDMETHODIMP_(void) OnClose() override {}

  long refs = 1;
  int changes = 0;
};

TEST_F(Orvatool, KeepsOneViewSinkToldOfEveryNewPictureAndHasNothingToPersist) {
  ASSERT_EQ(Create(), S_OK);
  ComPtr<IViewObject2> view;
  ASSERT_EQ(view.QueryFrom(object_.get(), IID_IViewObject2), S_OK);
  ViewSink sink;
  ASSERT_EQ(view->SetAdvise(DVASPECT_CONTENT, 0, &sink), S_OK);
  EXPECT_EQ(sink.refs, 2);
  DWORD aspects = 0;
  ComPtr<IAdviseSink> kept;
  ASSERT_EQ(view->GetAdvise(&aspects, nullptr, kept.put()), S_OK);
  EXPECT_EQ(kept.get(), &sink);
  EXPECT_EQ(aspects, static_cast<DWORD>(DVASPECT_CONTENT));
  kept.reset();
  ASSERT_EQ(Load(L"play.swf", FramesMovie(true)), S_OK);
  Pump(400);
  EXPECT_GE(sink.changes, 3);
  SIZEL extent{};
  EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent), S_OK);
  EXPECT_GT(extent.cx, 0);
  EXPECT_EQ(view->GetExtent(DVASPECT_ICON, -1, nullptr, &extent), DV_E_DVASPECT);
  // Another sink, or none, lets the first one go.
  ASSERT_EQ(view->SetAdvise(DVASPECT_CONTENT, 0, nullptr), S_OK);
  EXPECT_EQ(sink.refs, 1);
  int told = sink.changes;
  Pump(200);
  EXPECT_EQ(sink.changes, told);
  ASSERT_EQ(view->GetAdvise(nullptr, nullptr, kept.put()), S_OK);
  EXPECT_EQ(kept.get(), nullptr);

  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(persist.QueryFrom(object_.get(), IID_IPersistStreamInit), S_OK);
  CLSID clsid{};
  ASSERT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kClsid));
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  ULARGE_INTEGER size{};
  size.QuadPart = 7;
  EXPECT_EQ(persist->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, 0u);
  ComPtr<IOleControl> control;
  ASSERT_EQ(control.QueryFrom(object_.get(), IID_IOleControl), S_OK);
  CONTROLINFO info{};
  ASSERT_EQ(control->GetControlInfo(&info), S_OK);
  EXPECT_EQ(info.cb, sizeof(CONTROLINFO));
  EXPECT_EQ(info.cAccel, 0);
}

TEST_F(Orvatool, AnswersTheTransparentPlayersOperations) {
  TraceToFile();
  ASSERT_EQ(Create(), S_OK);
  std::wstring path = scratch_ / L"frames.swf";
  ASSERT_EQ(Load(L"frames.swf", FramesMovie(false)), S_OK);
  EXPECT_EQ(CallText(orvatool::kGetMovie), path);
  EXPECT_EQ(CallLong(orvatool::kTotalFrames), 5);
  EXPECT_EQ(CallLong(orvatool::kCurrentFrame), 0);
  EXPECT_EQ(Call(orvatool::kForward), S_OK);
  EXPECT_EQ(Call(orvatool::kForward), S_OK);
  EXPECT_EQ(CallLong(orvatool::kCurrentFrame), 2);
  EXPECT_EQ(Call(orvatool::kBack), S_OK);
  EXPECT_EQ(CallLong(orvatool::kCurrentFrame), 1);
  EXPECT_EQ(Call(orvatool::kRewind), S_OK);
  EXPECT_EQ(CallLong(orvatool::kCurrentFrame), 0);
  EXPECT_FALSE(CallBool(orvatool::kIsPlaying));
  EXPECT_EQ(Call(orvatool::kPlay), S_OK);
  EXPECT_TRUE(CallBool(orvatool::kIsPlaying));
  EXPECT_EQ(Call(orvatool::kStopPlay), S_OK);
  EXPECT_FALSE(CallBool(orvatool::kIsPlaying));

  EXPECT_TRUE(CallBool(orvatool::kGetLoop));
  std::vector<Variant> off;
  off.emplace_back(false);
  EXPECT_EQ(Call(orvatool::kSetLoop, std::move(off)), S_OK);
  EXPECT_FALSE(CallBool(orvatool::kGetLoop));
  EXPECT_EQ(CallLong(orvatool::kFlashVersion), 0x000A0000);

  // Timeline properties of the main timeline: its width, and its x scale written and read back.
  EXPECT_EQ(CallText(orvatool::kTGetProperty, [] {
              std::vector<Variant> a;
              a.emplace_back(L"/");
              a.emplace_back(8L);
              return a;
            }()),
            L"50");
  std::vector<Variant> scale;
  scale.emplace_back(L"/");
  scale.emplace_back(2L);
  scale.emplace_back(L"150");
  EXPECT_EQ(Call(orvatool::kTSetProperty, std::move(scale)), S_OK);
  std::vector<Variant> read;
  read.emplace_back(L"/");
  read.emplace_back(2L);
  EXPECT_EQ(CallText(orvatool::kTGetProperty, std::move(read)), L"150");
  EXPECT_EQ(Call(orvatool::kSetVariable, Texts({L"fscmd_ret", L"H\u00e9llo"})), S_OK);
  EXPECT_EQ(TraceText(), "setvariable: fscmd_ret=H\xc3\xa9llo\n");

  std::vector<Variant> mode;
  mode.emplace_back(3L);
  EXPECT_EQ(Call(orvatool::kScaleMode, std::move(mode)), S_OK);
  std::vector<Variant> zoom;
  for (long v : {0L, 0L, 1000L, 1000L}) zoom.emplace_back(v);
  EXPECT_EQ(Call(orvatool::kSetZoomRect, std::move(zoom)), S_OK);

  // Property reads are taken as well as method calls.
  Variant total;
  EXPECT_EQ(Call(orvatool::kTotalFrames, {}, total.put(), DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(total.get()->lVal, 5);

  // A movie that cannot be read is refused and the current one stays; " " unloads.
  EXPECT_TRUE(FAILED(Call(orvatool::kSetMovie, Texts({L"C:\\no\\such\\movie.swf"}))));
  EXPECT_EQ(CallText(orvatool::kGetMovie), path);
  EXPECT_EQ(CallLong(orvatool::kTotalFrames), 5);
  EXPECT_EQ(Call(orvatool::kSetMovie, Texts({L" "})), S_OK);
  EXPECT_EQ(CallText(orvatool::kGetMovie), L"");
  EXPECT_EQ(CallLong(orvatool::kTotalFrames), 0);

  EXPECT_EQ(Call(0x60030099), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(orvatool::kSetVariable, Texts({L"only a name"})), DISP_E_TYPEMISMATCH);
}

TEST_F(Orvatool, NamesItsOperations) {
  ASSERT_EQ(Create(), S_OK);
  const wchar_t* names[] = {L"TotalFrames", L"SetMovie", L"TGetProperty", L"settvariable"};
  const DISPID expected[] = {orvatool::kTotalFrames, orvatool::kSetMovie, orvatool::kTGetProperty, DISPID_UNKNOWN};
  for (size_t i = 0; i < 4; ++i) {
    LPOLESTR name = const_cast<LPOLESTR>(names[i]);
    DISPID id = 0;
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    EXPECT_EQ(hr, expected[i] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK) << names[i];
    EXPECT_EQ(id, expected[i]) << names[i];
  }
}

TEST(OrvatoolRegistration, Regsvr32UnregistersAndRegistersIt) {
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  std::wstring path = BuildTreePath(kModule);
  CLSID clsid;
  ASSERT_EQ(RunRegsvr32(L"/s /u " + path), 0);
  EXPECT_TRUE(FAILED(::CLSIDFromProgID(kProgId, &clsid)));
  ComPtr<IUnknown> object;
  EXPECT_TRUE(FAILED(::CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void())));
  ASSERT_EQ(RunRegsvr32(L"/s " + path), 0);
  ASSERT_EQ(::CLSIDFromProgID(kProgId, &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kClsid));
  EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()), S_OK);
  object.reset();
  ::OleUninitialize();
}

}  // namespace
