#pragma once
// Identifiers of the resources and of the windows' controls. The GUI test
// helper finds the controls by these numbers.
#define IDI_QUILLMER 1
#define IDI_CONTACT 2
#define IDI_NOTICE 3

// Main window
#define IDC_BUTTON1 101
#define IDC_EDIT1 102
#define IDC_EDIT2 103
#define IDC_CHKAUTOTERMINATE 104
#define IDC_MEMOPTION 105
#define IDC_MEMFILTER 106
#define IDC_LABEL5 107
#define IDC_PREVIEW_LINK 108
#define IDC_GROUPBOX1 110
#define IDC_GROUPBOX2 111
#define IDC_LABEL1 112
#define IDC_LABEL2 113
#define IDC_LABEL3 114
#define IDC_LABEL4 115

// About box
#define IDC_CMDOK 201
#define IDC_PRODUCTNAME 202
#define IDC_VERSION 203
#define IDC_COPYRIGHT 204
#define IDC_ABOUT_GROUPBOX1 205
#define IDC_ABOUT_GROUPBOX2 206
#define IDC_ABOUT_LABEL1 207
#define IDC_ABOUT_LABEL2 208
#define IDC_ABOUT_LABEL4 209
#define IDC_ABOUT_LABEL5 210
#define IDC_ABOUT_LABEL6 211
#define IDC_ABOUT_LABEL7 212
#define IDC_ABOUT_LABEL9 213
#define IDC_ABOUT_LABEL10 214
#define IDC_IMAGE1 215
#define IDC_IMAGE2 216

// Preview window
#define IDC_PREVIEW_SUMMARY 301
#define IDC_PREVIEW_LIST 302
