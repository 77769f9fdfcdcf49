// System metrics from one place. The Qt layer fills the screen size and work area from the real
// screen at start-up; tests set any value they need.
#pragma once

#include "platform/core/win_types.h"

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXSIZE = 30;
constexpr int SM_CYSIZE = 31;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXMENUCHECK = 71;
constexpr int SM_CYMENUCHECK = 72;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int kSystemMetricCount = 100;

int GetSystemMetrics(int index);

namespace platform {
// Sets one metric (tests; the Qt layer at start-up). Out-of-range indexes are ignored.
void setSystemMetric(int index, int value);
// Sets the screen size and makes the work area the whole screen.
void setScreenSize(int width, int height);
// The work area (the screen less task bars), SystemParametersInfo(SPI_GETWORKAREA).
Rect workArea();
void setWorkArea(const Rect& area);
// Puts every metric back to its default (a 1024 x 768 screen and the classic sizes).
void resetSystemMetrics();
// The value of one metric; index must be in range (GetSystemMetrics checks it).
int systemMetric(int index);
} // namespace platform
