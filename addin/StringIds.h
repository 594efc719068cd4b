// The numbers of the add-in's texts in the string tables of its language
// libraries (languages/*.rc include this file too). Plain #defines: the
// resource compiler reads no C++. 131 is not used.
#pragma once

#define IDS_INTERVAL_NOT_VALID 111
#define IDS_NAME 112
#define IDS_MENU_NAME 113
#define IDS_DESCRIPTION 114
#define IDS_STATUS_SAVING 115
#define IDS_PROMPT_BEFORE_NAME 116
#define IDS_PROMPT_AFTER_NAME 117
#define IDS_ELLIPSIS 118
#define IDS_MINUTES 119
#define IDS_DOCUMENTS_TO_SAVE 120
#define IDS_ACTIVE_DOCUMENT 121
#define IDS_ALL_DOCUMENTS 122
#define IDS_ASK_BEFORE_SAVING 123
#define IDS_OK 124
#define IDS_CANCEL 125
#define IDS_HELP 126
#define IDS_PROMPT_SAVE 127
#define IDS_PROMPT_SKIP 128
#define IDS_PROMPT_CANCEL 129
#define IDS_SAVE_EVERY 130
#define IDS_KEEP_BACKUP 132
#define IDS_BACKUP_PROGRESS 133
#define IDS_BACKUP_CANCELLED 134
