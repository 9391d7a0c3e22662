// The program's command ids: every command of the menus, the tool bars and
// the keys, by name. The numbers are the program's resource numbers, kept so
// that menus, tests and stored tool bar layouts find commands by number.
#pragma once

enum class CommandId : int {
  // File and application
  kFileNew = 57600,
  kFileOpen = 57601,
  kFileClose = 57602,
  kFileSave = 57603,
  kFileSaveAs = 57604,
  kFileRecentFirst = 57616,  // the recent files are 57616 ... 57631
  kAppAbout = 57664,
  kAppExit = 57665,
  kHelpContents = 57666,
  kNewGeneratedWave = 251,
  kPreferences = 266,
  kCommonTasks = 288,
  kPrintableGuide = 305,
  // Edit, layer and envelope
  kUndo = 57643,
  kRedo = 212,
  kCut = 57635,
  kCopy = 57634,
  kPaste = 57637,
  kMix = 214,
  kCrop = 254,
  kSelectAll = 255,
  kAddBlankLayer = 264,
  kGenerateLayer = 265,
  kDeleteLayer = 261,
  kMergeLayers = 262,
  kLayerProperties = 263,
  kInsertNode = 280,
  kRemoveAllNodes = 283,
  kDeleteNode = 279,  // the view's node menu
  // Zoom
  kZoomIn = 158,
  kZoomOut = 159,
  kZoomOutMax = 205,
  kZoomInMax = 207,
  // Play controls
  kPlay = 146,
  kStop = 147,
  kRecord = 157,
  kPlayAll = 173,
  kJumpToStart = 174,
  kJumpToEnd = 200,
  kPause = 201,
  // Bars
  kViewExplorer = 230,
  kViewClipboard = 248,
  kViewAudioMeter = 259,
  kViewPlayControls = 284,
  kViewToolbar = 59392,
  kViewStatusBar = 59393,
};

constexpr int ToInt(CommandId id) { return static_cast<int>(id); }
