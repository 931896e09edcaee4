// Resource ids, shared by Pairlook.rc and the window code.
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
