// The program's version information, shared by the resource script (lorvane.rc)
// and the C++ code. Plain macros only: the resource compiler reads this file too.
// Strings are narrow UTF-8 literals; LORVANE_WIDE(LORVANE_COMPANY_NAME) gives the
// wide literal for C++.
#ifndef LORVANE_VERSION_H
#define LORVANE_VERSION_H

// Shown as "major.minor.revision" (0.3.1). The revision is the fourth field of the
// file version; the third (build) stays 0.
#define LORVANE_VERSION_MAJOR 0
#define LORVANE_VERSION_MINOR 3
#define LORVANE_VERSION_BUILD 0
#define LORVANE_VERSION_REVISION 1

#define LORVANE_COMPANY_NAME "ロルヴェイン工房"
#define LORVANE_PRODUCT_NAME "Lorvane"
#define LORVANE_FILE_DESCRIPTION "Lorvane - テープバックアップのスケジュール設定"
#define LORVANE_LEGAL_COPYRIGHT "Copyright (C) ロルヴェイン工房"
#define LORVANE_ORIGINAL_FILENAME "lorvane.exe"

#define LORVANE_STRINGIFY_(x) #x
#define LORVANE_STRINGIFY(x) LORVANE_STRINGIFY_(x)
#define LORVANE_WIDE_(x) L##x
#define LORVANE_WIDE(x) LORVANE_WIDE_(x)

// "0.3.0.1" and "0.3.1".
#define LORVANE_FILE_VERSION_STRING                                                \
    LORVANE_STRINGIFY(LORVANE_VERSION_MAJOR.LORVANE_VERSION_MINOR.LORVANE_VERSION_BUILD.LORVANE_VERSION_REVISION)
#define LORVANE_PRODUCT_VERSION_STRING \
    LORVANE_STRINGIFY(LORVANE_VERSION_MAJOR.LORVANE_VERSION_MINOR.LORVANE_VERSION_REVISION)

#endif
