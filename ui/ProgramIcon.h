#pragma once

#include <QIcon>

// The program icon (resource 128): a 32 x 32 and a 16 x 16 image.
QIcon LoadProgramIcon();
