// The numbers of the dialogs and controls of the native Windows view, shared
// by the resource script (wizard.rc) and the code that drives the dialogs.
// Each control's number is unique across all pages, so that a control is
// found by its number alone; the names follow the wizard's control names.
#pragma once

// Dialogs.
#define IDD_WIZARD 100
#define IDD_STEP1 101
#define IDD_STEP2_RESTORE 102
#define IDD_STEP2_REPLACE 103
#define IDD_STEP3_PROJ 104
#define IDD_STEP3_DIR 105
#define IDD_STEP4 106
#define IDD_ALIASES 108
#define IDD_FINAL 107
#define IDD_PROGRESS 120
#define IDD_SAVE_WARN 130
#define IDD_OUTCOME 140
#define IDD_LOG_VIEW 141
#define IDD_TODO_VIEW 142

// The wizard's frame.
#define IDC_IMAGE1 1000
#define IDC_PAGE_AREA 1001
#define IDC_BT_PREV 1002
#define IDC_BT_NEXT 1003
#define IDC_BT_FINISH 1004
// Cancel is IDCANCEL.

// Page titles, one per page.
#define IDC_TITLE_STEP1 1010
#define IDC_TITLE_STEP2_RESTORE 1011
#define IDC_TITLE_STEP2_REPLACE 1012
#define IDC_TITLE_STEP3_PROJ 1013
#define IDC_TITLE_STEP3_DIR 1014
#define IDC_TITLE_STEP4 1015
#define IDC_TITLE_FINAL 1016
#define IDC_TITLE_ALIASES 1017

// Step 1: welcome and mode.
#define IDC_LABEL2 1100
#define IDC_RB_MODE_REPLACE 1101
#define IDC_RB_MODE_REPLACE_ADO 1102
#define IDC_RB_MODE_RESTORE 1103
#define IDC_LB_MAIL 1104

// Step 2: the undo file of a restore.
#define IDC_ED_UNDO_FILE 1200
#define IDC_BT_RESTORE_BROWSE 1201

// Step 2: where the files are.
#define IDC_RB_DEST_PROJECT 1300
#define IDC_RB_DEST_FOLDER 1301

// Step 3: the project's units.
#define IDC_LB_MODULES 1400
#define IDC_BT_SELECT 1401
#define IDC_BT_DESELECT 1402

// Step 3: the folder.
#define IDC_CB_DIRECTORY 1500
#define IDC_BT_BROWSE_FOLDER 1501
#define IDC_CH_SUB_DIRS 1502

// Step 4: backup and log.
#define IDC_CH_MAKE_BACKUP 1600
#define IDC_L_BACKUP_FOLDER 1601
#define IDC_CB_BACKUP_DIR 1602
#define IDC_BT_BROWSE_BACK_FOLDER 1603
#define IDC_CH_WRITE_LOG 1604
#define IDC_LBL_LOG_NOTE 1605
#define IDC_CH_VIEW_LOG 1606
#define IDC_CH_INCLUDE_READ_ONLY 1607
#define IDC_CH_FOLLOW_USES 1608
#define IDC_L_PROFILE 1609
#define IDC_ED_PROFILE 1610
#define IDC_BT_BROWSE_PROFILE 1611

// The Aliases step.
#define IDC_LV_ALIASES 1800
#define IDC_CB_ALIAS_CHOICE 1801
#define IDC_ED_BIND 1802
#define IDC_ED_DATABASE 1803
#define IDC_ED_SERVER 1804
#define IDC_ED_USER_NAME 1805
#define IDC_ED_MODULE 1806
#define IDC_BT_SAVE_PROFILE 1807
#define IDC_ED_DATA_FOLDER 1808
#define IDC_BT_DATA_FOLDER 1809
#define IDC_CK_MOVE_DATA 1810

// The summary.
#define IDC_L_SUMMARY 1700

// The progress dialog (Cancel is IDCANCEL).
#define IDC_LBL_FILE 2000
#define IDC_PB_FILES 2001
#define IDC_LBL_COUNT 2002

// The save warning (Yes is IDOK, No is IDCANCEL).
#define IDC_SW_IMAGE 2100
#define IDC_LBL_WARN 2101
#define IDC_LBL_NOTE 2102
#define IDC_CHK_DONT_ASK 2103

// The outcome of a run (OK is IDOK).
#define IDC_OC_ICON 2200
#define IDC_OC_TEXT 2201
#define IDC_BT_VIEW_LOG 2202
#define IDC_BT_VIEW_TODO 2203
#define IDC_BT_VIEW_REPORT 2204

// The log and to-do views (Close is IDCANCEL).
#define IDC_ED_LOG_TEXT 2300
#define IDC_LBL_TODO_FILE 2301
#define IDC_LV_TODO 2302
