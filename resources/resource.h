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

#endif
