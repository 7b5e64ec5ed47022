// The update run: the wizard's step that writes the package's members and
// copies the disc items into the install folder.
#pragma once

#include "updater/services.h"

#include <cstdint>

constexpr int UpdateListCapacity = 16;
constexpr int CopyListCapacity = 16;

// The update entries that apply to the install variant, rebuilt by each run.
struct UpdateListRecord {
    int32_t Count;
    PathBuffer Path[UpdateListCapacity];      // relative to the install folder
    int32_t NamePosition[UpdateListCapacity]; // index of the member name in Path
};
extern UpdateListRecord UpdateList;

// The copy entries that apply to the install variant, rebuilt by each run.
struct CopyListRecord {
    int32_t Count;
    PathBuffer Path[CopyListCapacity];    // relative to the disc root and the install folder
    int32_t DiscNumber[CopyListCapacity]; // 0: no disc is searched
};
extern CopyListRecord CopyList;

// Runs the update from the confirmation page. The dialog then shows the
// shortage page or the completed page, or has been ended with -1.
void RunUpdate(HWND dialog);
