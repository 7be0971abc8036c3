/* The program's string table and resource ids, in one place. Plain #defines only, so that the
   Windows resource script (STRINGTABLE) and the C++ sources read the same texts. */
#ifndef Q9XZ_RESOURCES_STRING_IDS_H
#define Q9XZ_RESOURCES_STRING_IDS_H

/* The icon group of the program file. */
#define IDI_Q9XZ 1016

#define IDS_ABOUT_TITLE 1017
#define IDS_MAKER_NOTICE 1018
#define IDS_PROGRAM_NAME 1019
#define IDS_NOT_CONVERTED 1020
#define IDS_NO_ADIF_FILE 1021
#define IDS_NO_BROWSER 1022
#define IDS_NO_CSV_FILE 1023
#define IDS_ADIF_OPEN_FAILED 1024
#define IDS_CSV_OPEN_FAILED 1025
#define IDS_DONATE_URL 1026
#define IDS_HELP_URL 1027
#define IDS_DOWNLOAD_URL 1028
#define IDS_ADIF_READ_FAILED 1029

/* Texts are at most 79 characters (the donation address at most 159): the program loads them
   into buffers of that size. "outpu" in IDS_NO_CSV_FILE is the program's own wording. */
#define STR_ABOUT_TITLE "About this program..."
#define STR_MAKER_NOTICE "Made by the Q9XZ Example Radio Works, free for every radio amateur"
#define STR_PROGRAM_NAME "Create Spreadsheet of Q9XZ Centennial QSOs"
#define STR_NOT_CONVERTED "Can't open spreadsheet because it has not been converted."
#define STR_NO_ADIF_FILE "Did not specify input ADIF file."
#define STR_NO_BROWSER "Could not start web browser."
#define STR_NO_CSV_FILE "Did not specify outpu CSV file."
#define STR_ADIF_OPEN_FAILED "Could not open ADIF input file."
#define STR_CSV_OPEN_FAILED "Could not open CSV output file."
#define STR_DONATE_URL "https://q9xz.example.org/donate.html"
#define STR_HELP_URL "https://q9xz.example.org/q9xz/help.html"
#define STR_DOWNLOAD_URL "https://q9xz.example.org/q9xz/download.html"
#define STR_ADIF_READ_FAILED "Could not read ADIF input file."

#endif
