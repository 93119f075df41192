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

#endif
