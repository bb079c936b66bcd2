// Control containment without a control: event sink tables, dispatch wrappers, creation failures.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/occ.h"

using namespace framework;

namespace {

// A window whose sink table records what arrives.
class SinkWindow : public CWnd {
 public:
  void OnCommand2(const std::wstring& command, const std::wstring& args) { calls.push_back(command + L"|" + args); }
  void OnState(long state) { calls.push_back(L"state " + std::to_wstring(state)); }
  void OnFlag(bool flag) { calls.push_back(flag ? L"true" : L"false"); }
  std::vector<std::wstring> calls;

 protected:
  const EventSinkEntry* GetEventSinkMap(size_t* count) const override {
    static const EventSinkEntry entries[] = {
        framework::OnEvent<&SinkWindow::OnCommand2>(3, 150),
        framework::OnEvent<&SinkWindow::OnState>(3, -609),
        framework::OnEvent<&SinkWindow::OnFlag>(4, 1),
    };
    *count = 3;
    return entries;
  }
};

// Arguments as a control passes them: last first.
struct Params {
  explicit Params(std::vector<VARIANT> declared) : args(declared.rbegin(), declared.rend()) {
    params.rgvarg = args.data();
    params.cArgs = static_cast<UINT>(args.size());
  }
  ~Params() {
    for (auto& v : args) ::VariantClear(&v);
  }
  std::vector<VARIANT> args;
  DISPPARAMS params{};
};

VARIANT Str(const wchar_t* s) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = ::SysAllocString(s);
  return v;
}

VARIANT Long(long l) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = l;
  return v;
}

}  // namespace

TEST(EventSinkTable, UnpacksArgumentsInDeclarationOrder) {
  SinkWindow w;
  Params p({Str(L"quit"), Str(L"now")});
  EXPECT_TRUE(w.OnEvent(3, 150, &p.params));
  Params state({Long(4)});
  EXPECT_TRUE(w.OnEvent(3, -609, &state.params));
  ASSERT_EQ(w.calls.size(), 2u);
  EXPECT_EQ(w.calls[0], L"quit|now");
  EXPECT_EQ(w.calls[1], L"state 4");
}

TEST(EventSinkTable, CoercesConvertibleArgumentsAndRefusesTheRest) {
  SinkWindow w;
  Params numberAsText({Str(L"17")});
  EXPECT_TRUE(w.OnEvent(3, -609, &numberAsText.params));
  Params longAsText({Long(5), Long(6)});
  EXPECT_TRUE(w.OnEvent(3, 150, &longAsText.params));
  Params notANumber({Str(L"seventeen")});
  EXPECT_FALSE(w.OnEvent(3, -609, &notANumber.params));
  Params tooFew({Str(L"only")});
  EXPECT_FALSE(w.OnEvent(3, 150, &tooFew.params));
  Params flag({Long(1)});
  EXPECT_TRUE(w.OnEvent(4, 1, &flag.params));
  ASSERT_EQ(w.calls.size(), 3u);
  EXPECT_EQ(w.calls[0], L"state 17");
  EXPECT_EQ(w.calls[1], L"5|6");
  EXPECT_EQ(w.calls[2], L"true");
}

TEST(EventSinkTable, OtherControlsAndEventsAreNotHandled) {
  SinkWindow w;
  Params p({Long(4)});
  EXPECT_FALSE(w.OnEvent(2, -609, &p.params));
  EXPECT_FALSE(w.OnEvent(3, 151, &p.params));
  EXPECT_FALSE(w.OnEvent(3, -609, nullptr));
  CWnd plain;
  EXPECT_FALSE(plain.OnEvent(0, 150, &p.params));
  EXPECT_TRUE(w.calls.empty());
}

TEST(Variant, CoercesBetweenTheDispatchTypes) {
  EXPECT_EQ(Variant(L"42").AsLong(), 42);
  EXPECT_EQ(Variant(42L).AsString(), L"42");
  EXPECT_TRUE(Variant(true).AsBool());
  EXPECT_EQ(Variant(true).type(), VT_BOOL);
  EXPECT_EQ(Variant(L"x").AsLong(-1), -1);
  Variant moved(L"text");
  Variant target(std::move(moved));
  EXPECT_EQ(target.AsString(), L"text");
  EXPECT_EQ(moved.type(), VT_EMPTY);
}

TEST(ControlCreation, FailsWithoutParentOrWithAnUnknownClass) {
  ASSERT_TRUE(AfxOleInit());
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, L"", WS_OVERLAPPEDWINDOW, RECT{0, 0, 100, 100}, nullptr, nullptr));
  CWnd control;
  EXPECT_FALSE(control.CreateControl(L"No.Such.Control", nullptr, WS_VISIBLE, RECT{0, 0, 10, 10}, &parent, 1));
  EXPECT_EQ(parent.GetControlContainer(), nullptr);
  const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  EXPECT_FALSE(control.CreateControl(unknown, nullptr, WS_VISIBLE, RECT{0, 0, 10, 10}, nullptr, 1));
  EXPECT_FALSE(control.CreateControl(unknown, nullptr, WS_VISIBLE, RECT{0, 0, 10, 10}, &parent, 1));
  // The container is made for the first control and stays, empty, when that control cannot be created.
  ASSERT_NE(parent.GetControlContainer(), nullptr);
  EXPECT_TRUE(parent.GetControlContainer()->m_siteMap.empty());
  EXPECT_EQ(control.GetControlSite(), nullptr);
  EXPECT_EQ(control.m_hWnd, nullptr);
  Variant result;
  EXPECT_EQ(control.InvokeHelper(1, DISPATCH_METHOD, &result, 1L, L"x"), E_UNEXPECTED);
  EXPECT_EQ(control.GetProperty(1, &result), E_UNEXPECTED);
  EXPECT_FALSE(control.DestroyWindow());
  parent.DestroyWindow();
  EXPECT_EQ(parent.GetControlContainer(), nullptr);
}
