#pragma once
// String table entries of the program (65248..65327); shared by the .rc file and the code.
#define S_VERSION 65248
#define S_ACCOUNT_DIALOG 65266
#define S_CONFIRM_REMOVE 65267
#define S_HEADER_VIEWER 65268
#define S_HELP_FILE 65269
#define S_ENTER_PASSWORD 65270
#define S_PAGE_LIMIT 65271
#define S_SETTINGS 65273
#define S_ADD 65274
#define S_ROOT_PATH 65275
#define S_ACCOUNT_NAME 65276
#define S_REMOVED 65277
#define S_NEW_TAB 65278
#define S_LOG_FILE 65285
#define S_NO_DESIGN 65305
#define S_NEW_NAME 65306
#define S_PET_LABEL 65307
#define S_ABOUT 65279
