#pragma once
// Identifiers shared by the resource script and the code.

#define IDI_MARVESK 1

// String table
#define IDS_PRODUCT_CAPTION            100  /* " %s" */
#define IDS_SESSION_CAPTION            101  /* " %s: %s" */
#define IDS_START_FAILED_CAPTION       102  /* " %s: %s" */
#define IDS_START_FAILED               103  /* "%s\r\n\r\nCommand: %s" */
#define IDS_TERMINATED                 104  /* " (terminated)" */
#define IDS_EDITOR_FONT                105  /* "Courier New" */
#define IDS_REMOTE_PROCESS_ENDED       106  /* "Remote process ended" */
#define IDS_STATUS_CARET_POS           107  /* "  %d:%d  " */
#define IDS_STATUS_ONE_LINE            108  /* "%d line" */
#define IDS_STATUS_LINES               109  /* "%d lines" */

#define IDS_OPT_ENCODING               120  /* "-%s:%s" */
#define IDS_OPT_UNICODE                121  /* "-U (-Unicode)" */
#define IDS_OPT_UNICODE_MEANS          122  /* "-input:OEM -output:UTF16LE" */
#define IDS_OPT_UNICODE2               123  /* "-U2 (-Unicode2)" */
#define IDS_OPT_UNICODE2_MEANS         124  /* "-input:UTF16LE -output:UTF16LE" */
#define IDS_OPT_CONFLICT               125  /* "Conflicting or redundant options: ..." */
#define IDS_OPT_INVALID_ENCODING       126  /* "Invalid encoding: %s" */

#define IDS_TEXT_EXCEEDS_CAPACITY      140  /* "Text exceeds memo capacity" */
#define IDS_LIST_INDEX_OUT_OF_BOUNDS   141  /* "List index out of bounds (%d)" */
#define IDS_UNABLE_TO_INSERT_LINE      142  /* "Unable to insert a line" */
#define IDS_CANNOT_ASSIGN              143  /* "Cannot assign a %s to a %s" */

#define IDS_CANNOT_OPEN_FILE           200  /* "Cannot open file \"%s\". %s" */
#define IDS_CANNOT_CREATE_FILE         201  /* "Cannot create file \"%s\". %s" */
#define IDS_STREAM_READ_ERROR          202  /* "Stream read error" */
#define IDS_STREAM_WRITE_ERROR         203  /* "Stream write error" */
#define IDS_CONFIRM_ANSI_SAVE          204  /* "The file\r\"%s\"\rcontains characters ... enforce ANSI?" */

// The find and go-to dialogs
#define IDD_FIND                       300
#define IDD_GOTO_LINE                  301
#define IDC_FIND_TEXT                  310
#define IDC_FIND_CASE                  311
#define IDC_FIND_WHOLE_WORD            312
#define IDC_FIND_FORWARD               313
#define IDC_FIND_BACKWARD              314
#define IDC_FIND_GLOBAL                315
#define IDC_FIND_SELECTED              316
#define IDC_FIND_FROM_CURSOR           317
#define IDC_FIND_ENTIRE_SCOPE          318
#define IDC_GOTO_LINE                  330
#define IDC_GOTO_COLUMN                331
#define IDS_SEARCH_NOT_FOUND           350  /* "Search string '%s' not found" */
#define IDS_NOT_VALID_INTEGER          351  /* "'%s' is not a valid integer value" */
