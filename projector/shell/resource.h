// Identifiers of the projector's own resources.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_PROJECTOR 102
#define IDD_WARNING 570

#define IDC_WARNING_TICK 1007
#define IDC_WARNING_TEXT 1008
#define IDC_WARNING_ICON 1009

#define IDS_TRAY_TIP 9
#define IDS_ABOUT_MENU 10
#define IDS_ABOUT 11
#define IDS_COLOUR_DEPTH 12
#define IDS_NO_LAYERED_WINDOWS 14
#define IDS_NO_FLASH_PLAYER 560
