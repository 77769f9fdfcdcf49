// The numbers of the program's resources and controls: strings, dialog templates, menus, icons,
// cursors, control ids and command ids, shared by the windows and the resource registration.
#pragma once

// ---- Dialog templates ----
constexpr unsigned IDD_ABOUTBOX = 100;
constexpr unsigned IDD_PANORAMA_DIALOG = 102;
constexpr unsigned IDD_DIALOGBAR = 103;
constexpr unsigned IDD_BITMAP_DIALOG = 153; // the locator map window
constexpr unsigned IDD_PARAMS = 154;
constexpr unsigned IDD_VISITOR_CENTER = 157;
constexpr unsigned IDD_PRINT_SIZE = 1538; // the print dialog with its Print Size group

// ---- Icons, cursors, menus ----
constexpr int IDR_MAINFRAME = 128; // the program's icon
// The visitor center list's icons, chosen by a media record's type: 2 a photograph, 1 a map (its
// photo prints with Print Map), 5 a video.
constexpr int IDI_LIST_PHOTO = 190;
constexpr int IDI_LIST_MAP = 191;
constexpr int IDI_LIST_VIDEO = 192;
constexpr int IDC_CURSOR_UP = 101; // the eight direction cursors run from here, clockwise
constexpr int IDC_CURSOR_UPRIGHT = 102;
constexpr int IDC_CURSOR_RIGHT = 103;
constexpr int IDC_CURSOR_DOWNRIGHT = 104;
constexpr int IDC_CURSOR_DOWN = 105;
constexpr int IDC_CURSOR_DOWNLEFT = 106;
constexpr int IDC_CURSOR_LEFT = 107;
constexpr int IDC_CURSOR_UPLEFT = 108;
constexpr unsigned IDR_FEATURES_MENU = 156;

// ---- Strings ----
constexpr unsigned IDS_ABOUTBOX = 101;       // "&About Skyvistas..."
constexpr unsigned IDS_PANORAMA_TITLE = 102; // "Skyvista"
constexpr unsigned IDS_LOCATOR_TITLE = 107;  // "Skyvista Locator Map"
constexpr unsigned IDS_VISITOR_CENTER_PROMPT = 32773;
constexpr unsigned IDS_VISITOR_CENTER = 32775;

// ---- Controls ----
constexpr int IDC_BMPBUTTON = 1011;       // bitmap window: the picture button
constexpr int IDC_COMMAND_LINE = 1012;    // parameters dialog: the edit field
constexpr int IDC_MEDIA_LIST = 1014;     // visitor center: the media list
constexpr int IDC_NARRATIVE_TEXT = 1015; // visitor center: the narrative text
constexpr int IDC_USE_SLIDE_MENUS = 1030; // About box check boxes
constexpr int IDC_USE_WINDOWS_BKG = 1031;
constexpr int IDC_USE_STANDARD_SCROLL = 1034;
constexpr int IDC_HORZ_SCROLLBAR = 1035; // scroll bars of the panorama and the visitor center
constexpr int IDC_VERT_SCROLLBAR = 1036;

// ---- Commands ----
constexpr unsigned IDM_ABOUTBOX = 16; // system menu item; the low four bits are not compared
constexpr unsigned IDC_LOCATOR = 1006;
constexpr unsigned IDC_FEATURES = 1007;
constexpr unsigned IDC_CLOSECMD = 1009;
constexpr unsigned IDC_PRINTMAP = 1018;
constexpr unsigned IDC_PRINTTEXT = 1019;
constexpr unsigned ID_VISITOR_CENTER = 32773;
constexpr unsigned ID_PLACEHOLDER_ITEM = 32777;
constexpr unsigned ID_POINT_OF_INTEREST_FIRST = 20000; // + hotspot index, up to 20099

// ---- The print dialog's Print Size group ----
constexpr int IDC_FULL_SIZE = 1028;
constexpr int IDC_HALF_SIZE = 1029;
