// Resource and control ids, shared by Pairlook.rc and the window code.
#pragma once

#define PAIRLOOK_TITLE "Pairlook 1.3"
#define PAIRLOOK_VERSION_TEXT "1.3"
#define PAIRLOOK_VERSION_WORDS 1, 3, 0, 0

// Icons
#define IDI_PAIRLOOK 500  // the program: window, class and dialogs
#define IDI_LENS 501      // second image of the About dialog

// Dialog templates
#define IDD_ABOUT 1025
#define IDD_DUPLICATE_ACTION 1600
#define IDD_PROMPT 1601

// Main window children
#define IDC_LIST 0
#define IDC_PATH_A 1002
#define IDC_PATH_B 1013

// Prompt dialog (IDOK and IDCANCEL are its two answer buttons)
#define IDC_PROMPT_MESSAGE 1601
#define IDC_PROGRESS_LINE 850  // hidden in the prompt; the batch delete's progress line

// Duplicate File Action dialog
#define IDC_VERDICT 1031
#define IDC_FILE_A_PATH 1002
#define IDC_FILE_A_SIZE 1005
#define IDC_FILE_A_TIME 1010
#define IDC_FILE_A_OPEN 1027
#define IDC_FILE_A_DELETE 1029
#define IDC_DELETE_ALL_A 1020
#define IDC_FILE_B_PATH 1011
#define IDC_FILE_B_SIZE 1012
#define IDC_FILE_B_TIME 1013
#define IDC_FILE_B_OPEN 1030
#define IDC_FILE_B_DELETE 1032
#define IDC_DELETE_ALL_B 1021
#define IDC_DETAIL_VIEW 1028

// About dialog
#define IDC_ABOUT_MAIL 850
#define IDC_ABOUT_SITE 851
#define IDC_ABOUT_MAIL_BUTTON 1000
#define IDC_ABOUT_SITE_BUTTON 1002
#define IDC_ABOUT_PAGE_TEXT 1015
#define IDC_ABOUT_PAGE_CHOOSER 1003
#define IDC_ABOUT_PAGE_ACTION 3
