// The editor's Win32 child window on its own: embedding, painting from the panel, queued
// mouse events with capture, the pointer shape, and hosts that destroy the parent first.
#include "platform/win32/win32_child_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iomanip>
#include <sstream>

#include "platform/child_window.h"
#include "platform/win32/text_convert.h"
#include "platform/win32_test_window.h"

namespace tarvo::platform {
namespace {

using win32::editorClassName;
using win32::editorClassRegistered;
using win32::narrow;
using win32::widen;

using test::makeHostWindow;
using test::pumpMessages;

struct Event {
  char kind;  // 'd'own, 'm'ove, 'u'p, 'e'xposed, destroyed ('x')
  toolkit::TMouseButton button;
  toolkit::TShiftState shift;
  int x, y;
};

// Takes nothing from the window procedure (not readyForInput): every event waits for
// pumpEvents.
struct RecordingSink : WindowEventSink {
  void handleEvent(const WindowEvent& e) override {
    const char kinds[] = {'d', 'm', 'u', 'e', 'x'};
    events.push_back({kinds[static_cast<int>(e.type)], e.button, e.shift, e.x, e.y});
  }
  toolkit::TCursor cursorAt(int x, int) override {
    return x < 50 ? toolkit::TCursor::crHandPoint : toolkit::TCursor::crDefault;
  }
  std::vector<Event> events;
};

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = makeHostWindow();
    ASSERT_NE(parent, nullptr);
    std::string error;
    child = ChildWindow::create(parent, 645, 485, &error);
    ASSERT_NE(child, nullptr) << error;
    child->setSink(&sink);
    hwnd = static_cast<HWND>(child->handle());
    pumpMessages();
  }
  void TearDown() override {
    child.reset();
    if (parent != nullptr && IsWindow(parent)) DestroyWindow(parent);
    pumpMessages();
  }
  HWND parent = nullptr;
  RecordingSink sink;  // outlives the window
  std::unique_ptr<ChildWindow> child;
  HWND hwnd = nullptr;
};

TEST_F(Win32Window, IsAVisibleChildOfTheHostWindowWithThePanelSize) {
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(GetParent(hwnd), parent);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  EXPECT_NE(style & WS_CHILD, 0);
  EXPECT_EQ(style & WS_CAPTION, 0);
  RECT client;
  ASSERT_TRUE(GetClientRect(hwnd, &client));
  EXPECT_EQ(client.right - client.left, 645);
  EXPECT_EQ(client.bottom - client.top, 485);
  RECT window;
  ASSERT_TRUE(GetWindowRect(hwnd, &window));
  POINT origin{window.left, window.top};
  ScreenToClient(parent, &origin);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  EXPECT_FALSE(child->destroyed());
}

TEST_F(Win32Window, ClassIsRegisteredWithThisModuleUnderItsOwnName) {
  const std::wstring name = editorClassName();
  // The module's address in hexadecimal follows the prefix.
  std::wostringstream expected;
  expected << L"VelmoraTarvoEditor." << std::hex << std::uppercase << std::setfill(L'0')
           << std::setw(sizeof(void*) * 2)
           << reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr));
  EXPECT_EQ(name, expected.str());
  wchar_t actual[128] = {};
  ASSERT_GT(GetClassNameW(hwnd, actual, 128), 0);
  EXPECT_EQ(std::wstring(actual), name);
  EXPECT_TRUE(editorClassRegistered());
  WNDCLASSEXW info{};
  info.cbSize = sizeof(info);
  EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), name.c_str(), &info));
  // While a window of the class exists it stays registered.
  unregisterWindowClass();
  EXPECT_TRUE(editorClassRegistered());
  child.reset();
  unregisterWindowClass();
  EXPECT_FALSE(editorClassRegistered());
  EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), name.c_str(), &info));
  // A later window registers it again.
  std::string error;
  child = ChildWindow::create(parent, 645, 485, &error);
  ASSERT_NE(child, nullptr) << error;
  EXPECT_TRUE(editorClassRegistered());
}

TEST_F(Win32Window, RefusesAParentThatIsNotAWindow) {
  std::string error;
  EXPECT_EQ(ChildWindow::create(nullptr, 645, 485, &error), nullptr);
  EXPECT_FALSE(error.empty());
  HWND gone = makeHostWindow();
  DestroyWindow(gone);
  EXPECT_EQ(ChildWindow::create(gone, 645, 485, &error), nullptr);
}

TEST_F(Win32Window, ErasesNothingAndPaintsThePresentedAreasFromThePanel) {
  EXPECT_NE(SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(GetDC(hwnd)), 0), 0);
  toolkit::Surface panel(645, 485, toolkit::Rgb(0x102030));
  panel.Fill(toolkit::Rect{100, 50, 200, 120}, toolkit::Rgb(0xC08040));
  // Only the first area is presented: the rest of the window keeps its old picture (black).
  child->present(panel, {toolkit::Rect{90, 40, 210, 130}});
  RECT update;
  ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
  EXPECT_EQ(update.left, 90);
  EXPECT_EQ(update.top, 40);
  EXPECT_EQ(update.right, 210);
  EXPECT_EQ(update.bottom, 130);
  UpdateWindow(hwnd);  // the WM_PAINT the host's loop would deliver
  EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
  HDC dc = GetDC(hwnd);
  EXPECT_EQ(GetPixel(dc, 150, 80), RGB(0xC0, 0x80, 0x40));  // COLORREF is 0x00BBGGRR
  EXPECT_EQ(GetPixel(dc, 95, 45), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(GetPixel(dc, 209, 129), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(GetPixel(dc, 300, 300), RGB(0, 0, 0));  // never presented
  ReleaseDC(hwnd, dc);

  // An exposure repaints from the window's own copy, without the panel.
  panel.Fill(toolkit::Rgb(0xFFFFFF));
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
  dc = GetDC(hwnd);
  EXPECT_EQ(GetPixel(dc, 150, 80), RGB(0xC0, 0x80, 0x40));
  EXPECT_EQ(GetPixel(dc, 0, 484), RGB(0, 0, 0));
  ReleaseDC(hwnd, dc);
}

TEST_F(Win32Window, PaintsTheWholePanelTopDown) {
  toolkit::Surface panel(645, 485, toolkit::Rgb(0));
  panel.Fill(toolkit::Rect{0, 0, 645, 10}, toolkit::Rgb(0xFF0000));       // top rows red
  panel.Fill(toolkit::Rect{0, 475, 645, 485}, toolkit::Rgb(0x0000FF));    // bottom rows blue
  panel.Fill(toolkit::Rect{635, 200, 645, 210}, toolkit::Rgb(0x00FF00));  // right edge green
  child->present(panel, {panel.Bounds()});
  UpdateWindow(hwnd);
  HDC dc = GetDC(hwnd);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0xFF, 0, 0));
  EXPECT_EQ(GetPixel(dc, 640, 480), RGB(0, 0, 0xFF));
  EXPECT_EQ(GetPixel(dc, 644, 205), RGB(0, 0xFF, 0));
  EXPECT_EQ(GetPixel(dc, 300, 240), RGB(0, 0, 0));
  ReleaseDC(hwnd, dc);
}

TEST_F(Win32Window, QueuesMouseEventsUntilPumpedWithModifiersAndCapture) {
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(100, 200));
  EXPECT_EQ(GetCapture(), hwnd) << "a press captures the mouse for the drag";
  SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(100, 201));
  SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(100, 202));
  // Outside the window (to the left and above): the drag goes on with signed coordinates.
  SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, MAKELPARAM(-5, -7));
  SendMessageW(hwnd, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(-5, -7));
  EXPECT_EQ(GetCapture(), nullptr) << "the release gives the mouse back";
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(child->queuedEvents(), 3u) << "down, the last of the moves, up";

  child->pumpEvents();
  ASSERT_EQ(sink.events.size(), 3u);
  EXPECT_EQ(sink.events[0].kind, 'd');
  EXPECT_EQ(sink.events[0].button, toolkit::TMouseButton::mbLeft);
  EXPECT_TRUE(sink.events[0].shift.shift);
  EXPECT_FALSE(sink.events[0].shift.ctrl);
  EXPECT_EQ(sink.events[0].x, 100);
  EXPECT_EQ(sink.events[0].y, 200);
  EXPECT_EQ(sink.events[1].kind, 'm');
  EXPECT_EQ(sink.events[1].x, -5);
  EXPECT_EQ(sink.events[1].y, -7);
  EXPECT_TRUE(sink.events[1].shift.ctrl);
  EXPECT_EQ(sink.events[2].kind, 'u');
  EXPECT_TRUE(sink.events[2].shift.ctrl);
  EXPECT_EQ(child->queuedEvents(), 0u);
  sink.events.clear();
  child->pumpEvents();
  EXPECT_TRUE(sink.events.empty());
}

TEST_F(Win32Window, RightAndMiddleButtonsAndMovesBetweenPresses) {
  SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
  SendMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  SendMessageW(hwnd, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(30, 30));
  SendMessageW(hwnd, WM_MBUTTONUP, 0, MAKELPARAM(30, 30));
  child->pumpEvents();
  ASSERT_EQ(sink.events.size(), 5u);
  EXPECT_EQ(sink.events[0].button, toolkit::TMouseButton::mbRight);
  EXPECT_EQ(sink.events[2].kind, 'm');
  EXPECT_EQ(sink.events[3].button, toolkit::TMouseButton::mbMiddle);
  EXPECT_EQ(sink.events[4].kind, 'u');
}

TEST_F(Win32Window, LosingTheCaptureMidDragEndsTheDrag) {
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 100));
  SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 120));
  ASSERT_EQ(GetCapture(), hwnd);
  SetCapture(parent);  // a host dialog takes the mouse
  child->pumpEvents();
  ASSERT_EQ(sink.events.size(), 3u);
  EXPECT_EQ(sink.events[2].kind, 'u');
  EXPECT_EQ(sink.events[2].x, 300);
  EXPECT_EQ(sink.events[2].y, 120);
  ReleaseCapture();
  // The release that arrives later belongs to no press of ours: it is not passed on.
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 130));
  sink.events.clear();
  child->pumpEvents();
  EXPECT_TRUE(sink.events.empty());
}

TEST_F(Win32Window, ShowsTheHandWhereTheSinkAsksForIt) {
  const HCURSOR hand = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
  const HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  child->pumpEvents();
  EXPECT_TRUE(SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), overClient));
  EXPECT_EQ(GetCursor(), hand);
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(400, 10));
  child->pumpEvents();
  EXPECT_TRUE(SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), overClient));
  EXPECT_EQ(GetCursor(), arrow);
}

TEST_F(Win32Window, SurvivesTheHostDestroyingTheParentFirst) {
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  DestroyWindow(parent);
  parent = nullptr;
  pumpMessages();
  EXPECT_TRUE(child->destroyed());
  EXPECT_EQ(child->handle(), nullptr);
  EXPECT_FALSE(IsWindow(hwnd));
  // Idle calls that still arrive do nothing harmful; the sink hears of the end once.
  child->pumpEvents();
  child->pumpEvents();
  ASSERT_FALSE(sink.events.empty());
  EXPECT_EQ(sink.events.back().kind, 'x');
  EXPECT_EQ(std::count_if(sink.events.begin(), sink.events.end(),
                          [](const Event& e) { return e.kind == 'x'; }),
            1);
  toolkit::Surface panel(645, 485);
  child->present(panel, {panel.Bounds()});
  child.reset();  // the destructor leaves the gone window alone
}

TEST(Win32Text, ConvertsBetweenUtf8AndUtf16) {
  const std::string utf8 = "C:\\Programme\\Velmora Audio\\Tarvo Handbuch \xC3\xBC \xE2\x82\xAC.pdf";
  const std::wstring utf16 = widen(utf8);
  EXPECT_EQ(utf16, L"C:\\Programme\\Velmora Audio\\Tarvo Handbuch \u00FC \u20AC.pdf");
  EXPECT_EQ(narrow(utf16), utf8);
  EXPECT_EQ(widen(""), L"");
  EXPECT_EQ(narrow(L""), "");
  // A character outside the basic plane: a surrogate pair in UTF-16.
  EXPECT_EQ(widen("\xF0\x9F\x8E\xB5").size(), 2u);
  EXPECT_EQ(narrow(widen("\xF0\x9F\x8E\xB5")), "\xF0\x9F\x8E\xB5");
}

}  // namespace
}  // namespace tarvo::platform
