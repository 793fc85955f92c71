// Resource ids shared by qdrsetup.rc and the launcher code; plain #defines so windres can read them.
#pragma once

#define IDR_MANIFEST 1

#define IDI_LAUNCHER 1001

// Error dialog; the launcher never opens it, the builder rewrites its placeholder texts.
#define IDD_ERROR 101
#define IDC_ERROR_DETAILS 1000
#define IDC_ERROR_TEXT 1001

#define IDD_PROGRESS 103
#define IDC_PROGRESS_BAR 1001
#define IDC_PROGRESS_STATUS 1002
#define IDC_MESSAGE 1003

#define IDD_JRE_PROMPT 104
#define IDC_DOWNLOAD 1004
#define IDC_LOCATE 1005

#define QDR_DIALOG_CLASS "MyDialogClass"
