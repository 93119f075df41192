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

#endif
