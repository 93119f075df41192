/* Resource and control numbers shared by the programs' .rc files and their code. */
#ifndef QLX_RESOURCE_H
#define QLX_RESOURCE_H

/* The program's big window icon. */
#define IDI_PROGRAM 120

/* Message box template: icon, text, three buttons (left to right), separator. */
#define IDD_MESSAGE_BOX 409
#define IDC_BOX_ICON 1268
#define IDC_BOX_TEXT 1162
#define IDC_BOX_BUTTON1 1273
#define IDC_BOX_BUTTON2 1274
#define IDC_BOX_BUTTON3 1275
#define IDC_BOX_SEPARATOR 1278

/* Uninstaller: its window (dialog 101). */
#define IDD_REMOVER 101
#define IDC_REMOVER_LINE 1002
#define IDC_REMOVER_PROGRESS 1003
#define IDC_REMOVER_HEADING 1004
#define IDC_REMOVER_EXPLAIN 1005

/* Installer: the carried files' resource types and ids. */
#define IDR_CARRIED_PROGRAM 138
#define IDR_CARRIED_HELP_CONTENTS 145
#define IDR_CARRIED_HELP 144
#define IDR_CARRIED_UNINSTALLER 147
#define IDR_CARRIED_NOTICE 140
#define IDR_CARRIED_NOTES 220
#define IDR_CARRIED_SHELLEXT 137

/* Setup wizard: the frame (105) and its pages, folder (135), installation (137) and
   finish (132); the artwork's numbers (icon 129, bitmaps 227 to 229) come from
   resources/art/setup_art.rc. */
#define IDD_WIZARD 105
#define IDD_PAGE_FOLDER 135
#define IDD_PAGE_INSTALLATION 137
#define IDD_PAGE_FINISH 132
#define IDI_SETUP 129
#define IDB_SETUP_STEP 227
#define IDB_SETUP_HEADER 228
#define IDB_SETUP_PANEL 229
#define IDC_WIZARD_BACK 1000
#define IDC_WIZARD_NEXT 1001
#define IDC_WIZARD_SEPARATOR 1030
#define IDC_PAGE_HEADING 1002
#define IDC_PAGE_SUBHEADING 1023
#define IDC_PAGE_BODY 1018
#define IDC_PAGE_PICTURE 1031
#define IDC_PAGE_BAND_LINE 1032
#define IDC_FOLDER_PATH 1025
#define IDC_FOLDER_BROWSE 1003
#define IDC_INSTALL_PROGRESS 1003
#define IDC_INSTALL_FILES 1009
#define IDC_INSTALL_SHORTCUTS 1010
#define IDC_INSTALL_REGISTRY 1011
#define IDC_FINISH_RUN 1009

#endif
