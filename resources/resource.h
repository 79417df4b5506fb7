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
#define IDS_COMMAND_NOT_CARRIED        110  /* "The command was not sent: ..." */
#define IDS_LOG_FIRST_LINE             111  /* "%s %s" */
#define IDS_LOG_CANNOT_OPEN            112  /* "The log file \"%s\" cannot be opened. %s..." */
#define IDS_LOG_CANNOT_WRITE           113  /* "The log file \"%s\" cannot be written. %s..." */
#define IDS_LOG_STALLED                114  /* "The log file \"%s\" is not taking..." */

#define IDS_OPT_ENCODING               120  /* "-%s:%s" */
#define IDS_OPT_UNICODE                121  /* "-U (-Unicode)" */
#define IDS_OPT_UNICODE_MEANS          122  /* "-input:OEM -output:UTF16LE" */
#define IDS_OPT_UNICODE2               123  /* "-U2 (-Unicode2)" */
#define IDS_OPT_UNICODE2_MEANS         124  /* "-input:UTF16LE -output:UTF16LE" */
#define IDS_OPT_CONFLICT               125  /* "Conflicting or redundant options: ..." */
#define IDS_OPT_INVALID_ENCODING       126  /* "Invalid encoding: %s" */
#define IDS_OPT_ENVIRONMENT            127  /* "-env:%s" */
#define IDS_OPT_INVALID_ENVIRONMENT    128  /* "Invalid environment option: %s..." */
#define IDS_COMMAND_INPUT_CLOSED       129  /* "The command was not sent: the child no longer reads..." */
#define IDS_EDITOR_NOT_ONE_ARGUMENT    130  /* "The file was not opened: its path ... one argument..." */
#define IDS_EDITOR_NOT_FOUND           131  /* "The file was not opened: the editor's program ..." */
#define IDS_EDITOR_INTERPRETER         132  /* "The file was not opened: ... a command interpreter..." */

#define IDS_PLACE_ADDRESS_FAILED       160  /* "The address cannot be opened. %s\r\n\r\nAddress: %s" */
#define IDS_PLACE_EDITOR_FAILED        161  /* "The editor cannot be started. %s\r\n\r\nCommand: %s" */
#define IDS_PLACE_NETWORK_QUESTION     163  /* "This file is on another computer, ""%s""..." */
#define IDS_PLACE_SEARCH_STOPPED_DOWN  164  /* "The search for places stopped at line %s...F4..." */
#define IDS_PLACE_SEARCH_STOPPED_UP    165  /* "The search for places stopped at line %s...Shift+F4..." */

#define IDS_OUTPUT_NO_MEMORY           930  /* "There was not enough memory to show all of the output..." */

#define IDS_TEXT_EXCEEDS_CAPACITY      140  /* "Text exceeds memo capacity" */
#define IDS_LIST_INDEX_OUT_OF_BOUNDS   141  /* "List index out of bounds (%d)" */
#define IDS_UNABLE_TO_INSERT_LINE      142  /* "Unable to insert a line" */
#define IDS_CANNOT_ASSIGN              143  /* "Cannot assign a %s to a %s" */

#define IDS_CANNOT_OPEN_FILE           200  /* "Cannot open file \"%s\". %s" */
#define IDS_CANNOT_CREATE_FILE         201  /* "Cannot create file \"%s\". %s" */
#define IDS_STREAM_READ_ERROR          202  /* "Stream read error" */
#define IDS_STREAM_WRITE_ERROR         203  /* "Stream write error" */
#define IDS_CONFIRM_ANSI_SAVE          204  /* "The file\r\"%s\"\rcontains characters ... enforce ANSI?" */
#define IDS_CONVERSION_FAILED          205  /* "The text cannot be converted with code page %d. %s" */
#define IDS_CANNOT_SAVE_FILE           206  /* "Cannot save file \"%s\". %s" */
#define IDS_NULS_REPLACED              210  /* "NUL characters in the file\r\n\"%s\": %d\r\n..." */

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

// The options dialog: the input buttons, then the output buttons, each row in the order UTF-8,
// UTF-16 LE, UTF-16 BE, ANSI, OEM
#define IDD_OPTIONS                    400
#define IDC_OPTIONS_INPUT_UTF8         410
#define IDC_OPTIONS_INPUT_UTF16LE      411
#define IDC_OPTIONS_INPUT_UTF16BE      412
#define IDC_OPTIONS_INPUT_ANSI         413
#define IDC_OPTIONS_INPUT_OEM          414
#define IDC_OPTIONS_OUTPUT_UTF8        420
#define IDC_OPTIONS_OUTPUT_UTF16LE     421
#define IDC_OPTIONS_OUTPUT_UTF16BE     422
#define IDC_OPTIONS_OUTPUT_ANSI        423
#define IDC_OPTIONS_OUTPUT_OEM         424
#define IDC_OPTIONS_EDITOR             430

// The about box
#define IDD_ABOUT                      450
#define IDC_ABOUT_ICON                 451
#define IDC_ABOUT_PRODUCT              452
#define IDC_ABOUT_VERSION              453
#define IDC_ABOUT_COPYRIGHT            454
#define IDC_ABOUT_URL                  455
#define IDS_ABOUT_VERSION              470  /* "v. %d.%d.%d" */
#define IDS_ABOUT_URL                  471  /* "https://marvesk.example/" */

// The main window: its menu, its shortcuts and the commands of both. A command's hint is the
// string whose id is the command's plus IDS_HINT_OFFSET.
#define IDM_MAIN                       600
// The output view's context menu; its items' ids are the edit messages they send (EM_SETSEL
// selects all).
#define IDM_TEXT_VIEW_CONTEXT          700
#define IDA_MAIN                       601
#define ID_FILE_EXIT                   610
#define ID_VIEW_STATUS_BAR             611
#define ID_SEARCH_FIND                 612
#define ID_SEARCH_FIND_NEXT            613
#define ID_SEARCH_GOTO_LINE            614
#define ID_HELP_HELP                   615
#define ID_HELP_ABOUT                  616
#define ID_TOOLS_OPTIONS               617
#define ID_VIEW_MENU                   618
#define ID_EDIT_CUT                    619
#define ID_EDIT_COPY                   620
#define ID_EDIT_PASTE                  621
#define ID_EDIT_SELECT_ALL             622
#define ID_EDIT_UNDO                   623
#define ID_EDIT_DELETE                 624
#define ID_STATUS_BTN_SHOW_MENU        625
#define ID_FILE_LOAD                   626
#define ID_FILE_SAVE_AS                627
#define ID_VIEW_INC_FONT               628
#define ID_VIEW_DEC_FONT               629
#define ID_VIEW_WORD_WRAP              630
#define ID_FILE_LOG                    631
#define ID_VIEW_TIMESTAMPS             632
#define ID_VIEW_FOLLOW_OUTPUT          633
#define ID_VIEW_FLASH_ON_END           635
#define ID_VIEW_CR_REWRITES            634
#define ID_VIEW_ARRIVAL_TIMES          636
#define IDS_HINT_OFFSET                40
#define IDS_LOAD_FILTER                680  /* "All files (*.*)|*.*" */
#define IDS_SAVE_AS_FILTER_UTF8        681  /* "UTF-8 files (*.*)|*.*" */
#define IDS_SAVE_AS_FILTER_UTF16LE     682  /* "Unicode files (*.*)|*.*" */
#define IDS_SAVE_AS_FILTER_UTF16BE     683  /* "Unicode big endian files (*.*)|*.*" */
#define IDS_SAVE_AS_FILTER_ANSI        684  /* "ANSI files (*.*)|*.*" */
#define IDS_LOAD_TITLE                 685  /* " Load" */
#define IDS_SAVE_AS_TITLE              686  /* " Save As" */
#define IDS_LOG_FILTER                 687  /* "Log files (*.log)|*.log|All files (*.*)|*.*" */
#define IDS_LOG_TITLE                  688  /* " Log to File" */

// The reader's place: the output's line count while output is held
#define IDS_STATUS_HELD                920  /* "%s; output held, %s since" */
// The time the last command took, after the output's line count in the status bar
#define IDS_STATUS_COMMAND_TOOK        950  /* "%s   took %s" */
#define IDS_COMMAND_TIME               951  /* "%s:%s.%s" */
#define IDS_COMMAND_TIME_HOURS         952  /* "%s:%s:%s.%s" */
// Where the place under the mouse leads, in the status bar while Ctrl is held
#define IDS_STATUS_PLACE_TARGET        960  /* "|Ctrl+click opens %s" */

// The help window
#define IDS_HELP_CAPTION               500  /* " %s Help" */
#define IDS_HELP_PAGE_MISSING          501  /* "The page %s cannot be shown." */
#define IDD_HELP                       510
#define IDC_HELP_PAGE                  511

// The theme: View > Theme's commands (their hints at IDS_HINT_OFFSET) and the -theme: option
#define ID_VIEW_THEME_SYSTEM           637
#define ID_VIEW_THEME_LIGHT            638
#define ID_VIEW_THEME_DARK             639
#define IDS_OPT_INVALID_THEME          940  /* "Invalid theme: -theme:%s..." */
#define IDS_OPT_INVALID_CR             970  /* "Invalid option: -cr:%s..." */
