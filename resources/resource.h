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
#define IDB_BANNER 472
#define IDB_FILLER 430
#define IDB_ABOUT_MENU 307
#define IDB_KEY_LIST 355
#define IDB_KEY_MANUAL 356
#define IDR_HAND_CURSOR 424
#define IDM_ABOUT 200
#define IDM_ALWAYS_VISIBLE 201

/* Output helpers: the information box (template 437; it shares the icon, text and
   separator ids of the message box) and the main window's hidden list of opened
   decrypted files. */
#define IDD_INFO_BOX 437
#define IDC_INFO_LINK 1259
#define IDC_OPENED_FILES 12345
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
/* Installer, the 64-bit shell extension and the HTML help page. */
#define IDR_CARRIED_SHELLEXT64 139
#define IDR_CARRIED_HELP_PAGE 146

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
/* Passphrases and access password: key management 352, access-password gate 401 and
   protection 404, About box 131, identification notice 434 and prompt 435, the key
   menu's bitmaps and the About bullet. Controls without a given number: 1330-1351. */
#define IDD_KEY_MANAGEMENT 352
#define IDC_KEY_NAME 1198
#define IDC_KEY_VALUE 1199
#define IDC_KEY_NAME_CAPTION 1263
#define IDC_KEY_VALUE_CAPTION 1264
#define IDC_KEY_HIDE 1206
#define IDC_KEY_ADD 1107
#define IDC_KEY_LIST 1110
#define IDC_KEY_LIST_CAPTION 1276
#define IDC_KEY_DELETE 1109
#define IDC_KEY_IMPORT 1113
#define IDC_KEY_EXPORT 1115
#define IDC_KEY_CANCEL 1111
#define IDC_KEY_OK 1205
#define IDD_ACCESS_GATE 401
#define IDC_GATE_ICON 1330
#define IDC_GATE_TEXT 1331
#define IDC_GATE_PASSWORD 1332
#define IDD_PROTECTION 404
#define IDC_PROTECT_ICON 1333
#define IDC_PROTECT_ACTIVATE 1223
#define IDC_PROTECT_GROUP 1269
#define IDC_PROTECT_CURRENT 1224
#define IDC_PROTECT_NEW 1108
#define IDC_PROTECT_CONFIRM 1038
#define IDC_PROTECT_CURRENT_CAPTION 1272
#define IDC_PROTECT_NEW_CAPTION 1271
#define IDC_PROTECT_CONFIRM_CAPTION 1270
#define IDC_PROTECT_HIDE 1207
#define IDC_PROTECT_MODIFY 3
#define IDD_ABOUT 131
#define IDC_ABOUT_ICON 1334
#define IDC_ABOUT_VERSION 1138
#define IDC_ABOUT_LINK 1259
#define IDC_ABOUT_BULLET_FIRST 1340 /* 1340-1344 bullets, 1345-1349 feature lines */
#define IDC_ABOUT_LINE_FIRST 1345
#define IDD_IDENTIFY_NOTICE 434
#define IDC_NOTICE_TEXT 1335
#define IDD_IDENTIFY_PROMPT 435
#define IDC_PROMPT_TEXT 1336
#define IDC_PROMPT_PASSPHRASE 1337
#define IDB_KEY_MENU_LIST 355
#define IDB_KEY_MENU_MANUAL 356
#define IDB_ABOUT_BULLET 491
#define IDI_ACCESS_PASSWORD 122
#define IDC_HAND_CURSOR 424
#define IDD_TRANSFER_PASSWORD 357 /* Export and Import: the transfer password */
#define IDC_TRANSFER_TEXT 1338
#define IDC_TRANSFER_PASSWORD 1339
#define IDC_TRANSFER_CONFIRM 1350
#define IDC_TRANSFER_CONFIRM_CAPTION 1351
#define IDC_KEY_FIELD 1056
#define IDC_KEY_BUTTON 1102

/* Operation progress dialog */
#define IDD_PROGRESS 287
#define IDB_PROGRESS_BANNER 487
#define IDC_PROGRESS_LABEL1 1152
#define IDC_PROGRESS_LABEL2 1154
#define IDC_PROGRESS_LABEL3 1230
#define IDC_PROGRESS_BAR1 1158
#define IDC_PROGRESS_BAR2 1159
#define IDC_PROGRESS_BAR3 1162
#define IDC_PROGRESS_STATUS1 1160
#define IDC_PROGRESS_STATUS2 1161
#define IDC_PROGRESS_STATUS3 1163
#define IDC_PROGRESS_BANNER 1164
#define IDC_PROGRESS_LINE 1165

/* Self-extractor: its dialog (101), the replace prompt (103), its icon; and the
   resource of Quillnox.exe that carries it (type "EXE"). */
#define IDD_EXTRACTOR 101
#define IDI_EXTRACTOR 102
#define IDD_EXTRACT_REPLACE 103
#define IDC_EXTRACT_FOLDER 1000
#define IDC_EXTRACT_BROWSE 1001
#define IDC_EXTRACT_PASSWORD 1002
#define IDC_EXTRACT_TEXT 1005
#define IDC_EXTRACT_PASSWORD_LABEL 1006
#define IDC_EXTRACT_FOLDER_LABEL 1007
#define IDC_REPLACE_RENAME 1003
#define IDC_REPLACE_ICON 1004
#define IDC_REPLACE_TEXT 1005
#define IDR_EXTRACTOR 502

#endif
