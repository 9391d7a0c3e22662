// Control ids and resource numbers, by name. Every QAction
// carries its command id (QAction::setData) and every control an object name
// made from its id (ControlName), so that menus and tests find them by
// number. Each area of the program keeps its ids in its own section.
#pragma once

#include <QString>

#include "core/edit/command_id.h"

// The object name of a control with id `id`: "IDC_<id>".
inline QString ControlName(int id) { return QStringLiteral("IDC_%1").arg(id); }
// The object name of a command's action, or of a menu item with an id of
// its own: "ID_<id>". The command ids
// themselves are the core's (core/edit/command_id.h).
inline QString CommandName(int id) { return QStringLiteral("ID_%1").arg(id); }
inline QString CommandName(CommandId id) { return CommandName(ToInt(id)); }

// The application's title, used for the main window, its messages and the
// settings store, and the company the settings are kept under.
inline constexpr const char* kApplicationTitle = "Tarvo Wavedesk 2.0";
inline constexpr const char* kCompanyName = "Tarvo Labs";

// ---- Resources
enum ResourceId : int {
  IDR_MAINFRAME = 128,      // main menu, main tool bar, application string
  IDR_DOCUMENT_MENU = 129,  // the document window's menu; play-controls tool bar
  IDS_APPLICATION_TITLE = 57344,
};

// ---- Clipboard manager (dialog bar 233)
enum ClipboardControl : int {
  IDD_CLIPBOARD = 233,
  IDC_CLIP_LIST = 1099,
  IDC_CLIP_CLEAR_ALL = 1114,
  IDC_CLIP_REMOVE = 1115,
  IDC_CLIP_PASTE = 1116,
  IDC_CLIP_PREVIEW = 1043,
  IDI_CLIP = 247,               // a clip row
  IDB_CLIP_REMOVE = 276,        // the buttons' bitmaps
  IDB_CLIP_CLEAR_ALL = 277,
  IDB_CLIP_PASTE = 278,
  IDB_CLIP_PREVIEW_STOP = 286,  // Preview while a preview plays
  IDB_CLIP_PREVIEW = 287,
};

// ---- Explorer bar (dialog bar 103), its "Custom Tree" menu and the image
// slots its tabs and trees share (painted at run time by tree_icons.h)
enum ExplorerControl : int {
  IDD_TREE_BAR = 103,
  IDC_TREE_TAB = 1000,
  IDC_FAVORITES_TREE = 1002,
  IDC_BROWSE_TREE = 1003,
  IDC_SEARCH_RESULTS = 1004,
  IDC_SEARCH_STATUS = 1005,
  IDC_SEARCH_TEXT = 1006,
  IDC_SEARCH_FIND = 1007,
  IDC_NEW_FAVORITE_FOLDER = 1134,
  IDC_NEW_FAVORITE_FILE = 1135,
  ID_CUSTOM_ADD_FOLDER = 136,     // "Add New Folder..."
  ID_CUSTOM_DELETE = 137,         // "Delete"
  ID_CUSTOM_ADD_FILE_LINK = 138,  // "Add New File Link..."
};

enum TreeImage : int {
  kTreeImageDrive = 0,  // fixed, remote and RAM drives; the "Browse  " tab
  kTreeImageFavoritesTab = 1,
  kTreeImageDesktop = 2,
  kTreeImageDocuments = 3,
  kTreeImageFolder = 4,
  kTreeImageFolderOpen = 5,  // a folder, when selected
  kTreeImageSoundFile = 6,   // a sound file, and a favourite file link
  kTreeImageSearchTab = 7,
  kTreeImageOpticalDrive = 8,
  kTreeImageFavoriteFolder = 9,
  kTreeImageMusic = 10,
  kTreeImageCount = 11,
};

// ---- Side panel (form 104) and child frame
enum SidePanelControl : int {
  IDD_SOUND_FORM = 104,
  IDC_ZOOM_IN_BUTTON = 1,
  IDC_ZOOM_OUT_BUTTON = 2,
  IDC_ZOOM_IN_MAX_BUTTON = 3,
  IDC_ZOOM_OUT_MAX_BUTTON = 4,
  IDC_TAB = 1047,
  IDC_PROPERTIES_LIST = 1049,
  IDC_TAGS_LIST = 1050,
  IDC_TAG_VALUE = 1051,
  IDC_TAG_UPDATE = 1009,
  IDC_TAG_REVERT = 1052,
  IDC_LAYER_LIST = 1055,
  IDC_ADD_LAYER = 1056,
  IDC_DELETE_LAYER = 1057,
  IDC_MERGE_LAYERS = 1058,
  IDC_HISTORY_LIST = 1059,
  IDC_UNDO = 1092,
  IDC_REDO = 1061,
};

// ---- Images of the side panel, the child frame and the layer properties
// dialog (painted at run time by icon_painter.h)
enum PanelImage : int {
  IDI_LAYER = 162,          // a layer row; history icon 0
  IDI_HISTORY_OPEN = 152,   // history kind 1 "Open"
  IDI_HISTORY_NEW = 151,    // history kind 2 "New"
  IDI_HISTORY_CUT = 154,    // history kind 3 "Cut", "Crop"
  IDI_HISTORY_PASTE = 156,  // history kind 4 "Paste"
  IDI_HISTORY_NEW_LAYER = 209,
  IDI_HISTORY_REMOVE_LAYER = 210,
  IDI_HISTORY_MERGE = 297,
  IDB_ZOOM_OUT = 226,       // the zoom buttons' 16 x 15 bitmaps
  IDB_ZOOM_IN = 227,
  IDB_ZOOM_IN_MAX = 228,
  IDB_ZOOM_OUT_MAX = 229,
  IDI_LAYER_PROPERTIES = 258,
};

// ---- Layer properties dialog (257)
enum LayerPropertiesControl : int {
  IDD_LAYER_PROPERTIES = 257,
  IDC_LAYER_NAME = 1125,
  IDC_LAYER_ENVELOPE_ON = 1126,
  IDC_LAYER_WAVE_COLOR = 3,
  IDC_LAYER_ENVELOPE_COLOR = 4,
};

// ---- Dialogs
enum DialogControl : int {
  IDD_RAW_PCM = 208,
  IDC_RAW_DEFAULT = 3,
  IDC_RAW_RATE = 1088,
  IDC_RAW_8BIT = 1084,
  IDC_RAW_16BIT = 1085,
  IDC_RAW_24BIT = 1086,
  IDC_RAW_32BIT = 1087,
  IDC_RAW_MONO = 1081,
  IDC_RAW_STEREO = 1082,
  IDD_PREFERENCES = 281,
  IDC_PREF_COMMON_TASKS = 1127,
  IDC_PREF_AUTO_ENVELOPE = 1128,
  IDC_PREF_FLASH_RECORD = 1129,
  IDC_PREF_CLIPBOARD_ON_COPY = 1131,
  IDC_PREF_QUICK_SAVE = 1132,
  IDC_PREF_ZOOM_TO_FIT = 1133,
  IDC_GEN_FUNCTION_NEW = 1032,
  IDC_GEN_LENGTH_NEW = 1041,
  IDC_GEN_NAME = 1044,
  IDC_GEN_INTENSITY = 1045,
  IDC_GEN_DECAY = 1046,
  IDC_GEN_MODULATION = 1047,
  IDC_GEN_PERIOD = 1048,
  IDC_GEN_SHIFT = 1049,
  IDC_GEN_DISTORTION = 1050,
  IDC_GEN_FUNCTION_LAYER = 1090,
  IDC_GEN_LENGTH_LAYER = 1091,
  // The standard buttons every dialog shares.
  IDOK = 1,
  IDCANCEL = 2,
  // "Select Format": the format tag and attribute lists, numbered as the
  // platform's own format chooser numbered them.
  IDC_FORMAT_TAG = 101,
  IDC_FORMAT_ATTRIBUTES = 102,
  // Common Tasks (template 220) and its pictures.
  IDD_COMMON_TASKS = 220,
  IDC_TASK_SHOW_AT_STARTUP = 1097,
  IDC_TASK_OPEN = 1140,
  IDC_TASK_RECORD = 1142,
  IDC_TASK_BLANK = 1143,
  IDC_TASK_TONE = 1144,
  IDC_TASK_PANEL = 1145,
  IDB_COMMON_TASKS = 289,
  IDB_TASK_OPEN = 298,
  IDB_TASK_RECORD = 299,
  IDB_TASK_BLANK = 300,
  IDB_TASK_TONE = 301,
  // The preferences banner's icon and the splash window's bitmap.
  IDI_PREFERENCES = 282,
  IDB_SPLASH = 296,
  // The progress window's controls.
  IDC_PROGRESS_CANCEL = 10,
  IDC_PROGRESS_TEXT = 11,
  IDC_PROGRESS_BAR = 12,
};

// ---- Recording: the audio meter bar (165), "Recording Studio" (191) and
// the recording remote (234) with its pictures
enum RecordingControl : int {
  IDD_MONITOR_BAR = 165,
  IDC_MONITOR_LEFT = 1058,
  IDC_MONITOR_RIGHT = 1059,
  IDC_MONITOR_LEFT_LABEL = 1060,
  IDC_MONITOR_RIGHT_LABEL = 1061,
  IDD_RECORD = 191,
  IDI_RECORD = 191,  // the dialog's small icon
  IDC_REC_DEVICE = 1069,
  IDC_REC_PIN = 1071,
  IDC_REC_METER_LEFT = 1075,
  IDC_REC_METER_RIGHT = 1076,
  IDC_REC_VOLUME = 1079,
  IDC_REC_BASS = 1064,
  IDC_REC_TREBLE = 1063,
  IDC_REC_PAN = 1078,
  IDC_REC_LOG = 1072,
  IDC_REC_CLOSE = 1,
  IDC_REC_RECORD = 2,
  IDC_REC_STOP = 3,
  IDC_REC_REMOTE = 4,
  IDC_REC_PREVIEW = 1121,
  IDC_REC_TIME = 1123,
  IDC_REC_DISK_SPACE = 1124,
  IDD_REMOTE = 234,
  IDC_REMOTE_LEFT = 1116,
  IDC_REMOTE_RIGHT = 1117,
  IDC_REMOTE_RECORD = 1119,
  IDC_REMOTE_STOP = 1120,
  IDC_REMOTE_PREVIEW = 1082,
  IDC_REMOTE_CLOSE = 1,
  IDB_REMOTE_SKIN = 236,
  IDB_REMOTE_CLOSE_AWAY = 237,
  IDB_REMOTE_CLOSE_OVER = 239,
  IDB_REMOTE_PREVIEW_AWAY = 240,
  IDB_REMOTE_STOP_OVER = 241,
  IDB_REMOTE_RECORD_OVER = 242,
  IDB_REMOTE_PREVIEW_OVER = 243,
  IDB_REMOTE_STOP_AWAY = 244,
  IDB_REMOTE_RECORD_AWAY = 245,
};
