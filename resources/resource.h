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
