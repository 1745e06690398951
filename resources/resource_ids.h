// Identifiers of the program's resources, for lorvane.rc and the C++ code.
#ifndef LORVANE_RESOURCE_IDS_H
#define LORVANE_RESOURCE_IDS_H

// The logo: 32 x 32 (and 16 x 16) icon, also the title screen's picture.
#define IDI_LOGO 1

#endif
