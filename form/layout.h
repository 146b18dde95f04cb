// SPDX-License-Identifier: GPL-3.0-or-later
// The form's layout, shared by the desktop window and the web page: where
// each control sits, in twips (1/1440 inch; 15 twips are one pixel at
// 96 dpi and one CSS pixel in the page), the arrow, the colours and the
// fonts. Standard C++ only.
#pragma once

#include <array>

namespace quinmare::layout {

inline constexpr int kClientWidth = 14850;
inline constexpr int kClientHeight = 10770;

struct Placement {
    const char* name;
    int index;  // the two headings share a name and differ by index
    int left, top, width, height;
};

// In tab order: the page keeps its elements in this order.
inline constexpr std::array<Placement, 10> kControls = {{
    {"Label1", 0, 120, 120, 2535, 375},
    {"Command1", -1, 240, 10200, 1455, 375},
    {"Slider1", -1, 1800, 10200, 3735, 375},
    {"Text1", -1, 5520, 10320, 735, 270},
    {"Label2", -1, 6240, 10350, 375, 200},
    {"Text0", -1, 240, 480, 6255, 9615},
    {"Text2", -1, 8400, 480, 6255, 9615},
    {"Text3", -1, 6720, 5280, 1455, 735},
    {"Command2", -1, 6720, 6240, 1455, 735},
    {"Label1", 1, 8400, 120, 2535, 375},
}};

// The block arrow between the two large boxes, pointing right.
struct Line {
    int x1, y1, x2, y2;
};

inline constexpr std::array<Line, 7> kArrow = {{
    {6960, 4440, 7680, 4440},  // shaft top
    {6960, 4920, 6960, 4440},  // shaft end
    {6960, 4920, 7680, 4920},  // shaft bottom
    {7680, 4440, 7680, 4200},  // step out to the head, above
    {7680, 4920, 7680, 5160},  // and below
    {7680, 4200, 8040, 4680},  // head to the tip
    {7680, 5160, 8040, 4680},
}};

struct Rgb {
    int red, green, blue;
};

inline constexpr Rgb kFormColour{224, 224, 224};
inline constexpr Rgb kSequenceHeadingColour{0, 0, 255};
inline constexpr Rgb kAminoHeadingColour{255, 0, 0};

// Fonts by name and size in points; Japanese character set.
inline constexpr char kBoxFont[] = "MS UI Gothic";
inline constexpr char kHeadingFont[] = "ＭＳ Ｐゴシック";
inline constexpr double kBoxPoints = 9.75;
inline constexpr double kHeadingPoints = 14.25;
inline constexpr double kCodonPoints = 30;
// The controls without a font of their own (buttons, the length box and its
// unit) take the form's: the UI Gothic at 9 points, as on Japanese Windows.
inline constexpr double kFormPoints = 9;

}  // namespace quinmare::layout
