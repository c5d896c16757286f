#pragma once
// Identifiers of the resources and of the preview window's controls; those of
// the main window and the about box are in the shell's layouts. The GUI test
// helper finds the controls by these numbers.
#define IDI_QUILLMER 1
#define IDI_CONTACT 2
#define IDI_NOTICE 3

// Preview window
#define IDC_PREVIEW_SUMMARY 301
#define IDC_PREVIEW_LIST 302
#define IDC_PREVIEW_ZONE 303
#define IDC_PREVIEW_ZONE_NOTE 304
#define IDC_PREVIEW_COMPARISON 305
