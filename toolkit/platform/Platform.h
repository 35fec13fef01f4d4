// The platform layer in one include: ports and raster (Port.h), pictures
// (Picture.h), windows, input and time (Window.h) and the headless backend
// (HeadlessBackend.h). Only the files of this folder name the system
// libraries behind it (XCB, FreeType, fontconfig, libpng).
#pragma once

#include "PlatformTypes.h"
#include "Port.h"
#include "Picture.h"
#include "Window.h"
#include "HeadlessBackend.h"
