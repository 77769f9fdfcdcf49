// A window for the Qt layer's tests: made in one call, it records what its handlers are told and
// lets a test replace single handlers.
#pragma once

#include "platform/qt/dc.h"
#include "platform/qt/window.h"

#include <functional>
#include <vector>

class RecordingWindow : public platform::Window {
public:
    static constexpr DWORD kCaptioned =
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;

    BOOL createTopLevel(Rect rect = {100, 100, 420, 340}, DWORD style = kCaptioned,
                        platform::Window* owner = nullptr) {
        return CreateEx(0, nullptr, "Recording", style, rect, owner);
    }
    BOOL createChild(platform::Window& parent, Rect rect, UINT id = 7) {
        return CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, rect, &parent, id);
    }
    // A popup without caption owned by a window: never activated.
    BOOL createPopup(platform::Window& owner, Rect rect) {
        return CreateEx(0, nullptr, "", WS_POPUP, rect, &owner);
    }

    std::function<LRESULT(Point)> hitTest;
    std::function<bool(UINT key)> keyDown;
    std::function<void(platform::PaintDC&)> paint;
    std::function<BOOL(platform::DC*)> erase;
    std::function<void(UINT_PTR)> timer;
    std::function<BOOL(platform::Window*, UINT, UINT)> setCursor;
    std::function<BOOL(short, Point)> wheel;

    std::vector<UINT> sysCommands;
    std::vector<WPARAM> commands;
    std::vector<UINT_PTR> timers;
    std::vector<Rect> paintRects;
    int erases = 0;

    LRESULT OnNcHitTest(Point p) override {
        return hitTest ? hitTest(p) : platform::Window::OnNcHitTest(p);
    }
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override {
        if (keyDown && keyDown(key)) return;
        platform::Window::OnKeyDown(key, repeat, flags);
    }
    void OnPaint() override {
        platform::PaintDC dc(this);
        paintRects.push_back(dc.m_ps.rcPaint);
        if (paint) paint(dc);
    }
    BOOL OnEraseBkgnd(platform::DC* dc) override {
        ++erases;
        return erase ? erase(dc) : platform::Window::OnEraseBkgnd(dc);
    }
    void OnTimer(UINT_PTR id) override {
        timers.push_back(id);
        if (timer) timer(id);
    }
    void OnSysCommand(UINT id, LPARAM lParam) override {
        sysCommands.push_back(id);
        platform::Window::OnSysCommand(id, lParam);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM) override {
        commands.push_back(wParam);
        return TRUE;
    }
    BOOL OnSetCursor(platform::Window* w, UINT hit, UINT message) override {
        return setCursor ? setCursor(w, hit, message)
                         : platform::Window::OnSetCursor(w, hit, message);
    }
    BOOL OnMouseWheel(UINT flags, short delta, Point p) override {
        return wheel ? wheel(delta, p) : platform::Window::OnMouseWheel(flags, delta, p);
    }
};
