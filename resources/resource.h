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

/* Main window of Quillnox.exe: dialog 379, its controls, pictures, button images,
   cursor and system-menu bitmaps. */
#define IDD_MAIN 379
#define IDC_MAIN_TEXT 1036
#define IDC_MAIN_FILES 1209
#define IDC_MAIN_KEY_FIELD 1056
#define IDC_MAIN_KEY_BUTTON 1102
#define IDC_MAIN_OPEN 1106
#define IDC_MAIN_NEW 1125
#define IDC_MAIN_SEND 1112
#define IDC_MAIN_DECRYPT_OPEN 1117
#define IDC_MAIN_LOCAL 1114
#define IDC_MAIN_QUIT 1116
#define IDC_MAIN_REPLY 1118
#define IDC_MAIN_SEND_CAPTION 1120
#define IDC_MAIN_LOCAL_CAPTION 1121
#define IDC_MAIN_QUIT_CAPTION 1122
#define IDC_MAIN_OPEN_CAPTION 1123
#define IDC_MAIN_REPLY_CAPTION 1124
#define IDC_MAIN_ALGO_DES 1240
#define IDC_MAIN_ALGO_AES 1241
#define IDC_MAIN_PASSWORD_ON 1242
#define IDC_MAIN_PASSWORD_OFF 1243
#define IDC_MAIN_SELFX_ON 1244
#define IDC_MAIN_SELFX_OFF 1245
#define IDC_MAIN_HELP 1281
#define IDC_MAIN_BANNER 1266
#define IDC_MAIN_FILLER 1265
#define IDC_MAIN_OPENED_FILES 12345
#define IDC_INFO_LINK 1259
#define IDB_BANNER 472
#define IDB_FILLER 430
#define IDB_ABOUT_MENU 307
#define IDB_KEY_LIST 355
#define IDB_KEY_MANUAL 356
#define IDR_HAND_CURSOR 424
#define IDM_ABOUT 200
#define IDM_ALWAYS_VISIBLE 201

#endif
