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

/* Output helpers: the information box (template 437; it shares the icon, text and
   separator ids of the message box) and the main window's hidden list of opened
   decrypted files. */
#define IDD_INFO_BOX 437
#define IDC_INFO_LINK 1259
#define IDC_OPENED_FILES 12345

#endif
