// The program's one palette: every colour its painted pictures use, by name.
// The icons of the tool bars, menus, side panel and explorer share the first
// group, so that they look like one set; the splash, the Common Tasks
// pictures and the application icon share the second with the recording
// remote's skin, which adds its console's own shades. A picture that needs a
// colour asks for it here rather than mixing its own.
#pragma once

#include <QColor>
#include <QRgb>

namespace palette {

// ---- The 16-pixel icons
inline constexpr QColor kOutline(60, 68, 84);  // outlines, and the play controls' bars and arrows
inline constexpr QColor kSheet(246, 248, 252);
inline constexpr QColor kLayerFill(214, 225, 242);
inline constexpr QColor kWave(70, 100, 150);
inline constexpr QColor kGreen(40, 140, 70);  // adding, playing, a drive's lamp
inline constexpr QColor kRed(200, 50, 45);    // removing, cutting
inline constexpr QColor kRecord(210, 40, 40);
inline constexpr QColor kFolderBack(214, 168, 70);
inline constexpr QColor kFolderFront(242, 200, 100);
inline constexpr QColor kBoard(176, 126, 72);
inline constexpr QColor kMetal(150, 156, 166);
inline constexpr QColor kLens(236, 244, 255);
inline constexpr QColor kFloppy(80, 110, 170);
inline constexpr QColor kStar(236, 180, 40);
inline constexpr QColor kScreen(110, 160, 220);

// ---- The larger pictures: splash, Common Tasks, application icon, remote
inline constexpr QColor kNavy(0x1d, 0x35, 0x57);
inline constexpr QColor kBlue(0x2e, 0x5e, 0x8c);
inline constexpr QColor kTeal(0x3a, 0xa6, 0xa0);
inline constexpr QColor kAmber(0xf4, 0xa2, 0x59);
inline constexpr QColor kPaper(0xf4, 0xf7, 0xfa);
inline constexpr QColor kPaperShade(0xdc, 0xe4, 0xec);  // the foot of the splash's light band
inline constexpr QColor kFaintWave(0xc4, 0xd0, 0xdc);   // a wave drawn behind text
inline constexpr QColor kSubtitle(0xd0, 0xe2, 0xf0);    // small text on navy
inline constexpr QColor kSteel(0x9a, 0xa9, 0xb8);       // thin lines, the remote's plate
inline constexpr QColor kRecordRed(0xd6, 0x45, 0x41);
// The remote's console
inline constexpr QColor kConsoleTop(0x3b, 0x45, 0x52);
inline constexpr QColor kConsoleBottom(0x1c, 0x22, 0x2a);
inline constexpr QColor kConsoleEdge(0x0e, 0x12, 0x16);  // its rim and the sockets' depth
inline constexpr QColor kWell(0x10, 0x14, 0x18);         // behind the level bars
inline constexpr QColor kKnobLight(0xfa, 0xfb, 0xfc);    // a button's face under the pointer
inline constexpr QColor kKnobFace(0xd8, 0xde, 0xe4);
inline constexpr QColor kKnobShade(0x6c, 0x78, 0x86);
inline constexpr QColor kCloseCross(0x30, 0x20, 0x10);

// The colour that stands for "no picture here" in pictures that windows cut
// themselves out of (the splash, the remote and its buttons).
inline constexpr QRgb kPureGreen = 0xff00ff00;

}  // namespace palette
