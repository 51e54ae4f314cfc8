// The saver's pictures for the programs that have no Windows resources: the same
// GIF files that ZelvoSav.rc names, built into the program by the build
// (cmake/embed-pictures.cmake), each under its resource id.
#pragma once
#include "x11_platform.h"

extern const EmbeddedPicture SAVER_PICTURES[];
extern const int SAVER_PICTURE_COUNT;
