// Resource identifiers of the settings tool.
#pragma once

#define IDI_APP 1
#define IDD_SETTINGS 100

#define IDI_TRAY_FRAME1 201
#define IDI_TRAY_FRAME2 202
#define IDI_TRAY_FRAME3 203
#define IDI_TRAY_FRAME4 204
#define IDI_TRAY_FRAME5 205
#define IDI_TRAY_FRAME6 206
#define IDI_GLYPH_TEST 211
#define IDI_GLYPH_SAVE 212
#define IDI_GLYPH_CLOSE 213

#define IDM_TRAY 300
#define IDM_OPEN 301
#define IDM_CLOSE 302

/* Controls of TfrmConSetGl. BitBtn2 (关闭) is the cancel button: Esc presses it. */
#define IDC_BTN_OK 1001
#define IDC_BTN_CLOSE 2 /* IDCANCEL */
#define IDC_PAGE 1003
#define IDC_EDT_PASSWORD 1004
#define IDC_EDT_DATABASE 1005
#define IDC_EDT_DEPT 1006
#define IDC_CBB_SERVER 1007
#define IDC_BTN_TEST 1008
#define IDC_PANEL 1010
#define IDC_LABEL1 1011
#define IDC_LABEL2 1012
#define IDC_LABEL3 1013
#define IDC_LABEL4 1014
