// Folders a removal must never delete. The targets of a removal come from registry values that
// other software wrote; an empty, cut or wrong value must not turn into "delete Program Files".
#pragma once

#include "framework/String.h"

// True when strPath must not be deleted: it is not an absolute path, or it is a drive or share
// root, or it is, or lies above, one of the system's own folders (Windows, system, Program Files
// and Common Files, ProgramData, both Start menus and Programs folders, both desktops, the user's
// profile and AppData). Paths are compared in their on-disk form without regard to case.
bool IsProtectedFolder(const CString& strPath);
