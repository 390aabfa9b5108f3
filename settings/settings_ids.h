/* Identifiers shared by the settings window's resources and its code. */
#ifndef HX_SETTINGS_IDS_H
#define HX_SETTINGS_IDS_H

#define IDI_HXMONITOR 1

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_SETTINGS 100
#define IDD_ADD_PROGRAM 101

/* The settings window. The test drives it by these numbers. */
#define IDC_WINDOW_ICON 1000
#define IDC_MONITOR_STATE 1001
#define IDC_CAMERA_STATE 1002
#define IDC_CAMERA_PATH 1003
#define IDC_SNAP_CHOICE 1010
#define IDC_SNAP_COMMAND 1011
#define IDC_SNAP_PROGRAM 1012
#define IDC_PICTURE_CHOICE 1020
#define IDC_PICTURE_COMMAND 1021
#define IDC_PICTURE_PROGRAM 1022
#define IDC_ADD_PROGRAM 1030
#define IDC_MESSAGE 1031
#define IDC_APPLY 1032

/* The "Add Program" dialog. */
#define IDC_ADD_NAME 1101
#define IDC_ADD_COMMAND 1102

#endif
