// The update run: the wizard's step that writes the package's members and
// copies the disc items into the install folder.
#pragma once

#include "updater/services.h"
#include "updater/update_description.h"

#include <cstdint>

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
// Disc number of a copy entry whose disc prefix is not a digit.
constexpr int32_t UnknownDisc = -1;

// The two lists of [UPDATE]: "UpdateFile%02i" and "CopyFile%02i".
enum EntryList { UpdateFileList, CopyFileList };

// Entry `number` of a list: key receives the key's name (a 1024-byte text),
// value its value (a PathBuffer). 0 when the key is missing or empty, which
// ends the list. Otherwise 1, with entry the text after any variant prefix,
// or null when the value names another install variant and is passed over.
int ReadListEntry(EntryList list, int number, char* key, char* value, const char*& entry);

// A number key of [UPDATE] as strtol reads it, clamped to 32 bits; 0 when the
// key is missing or empty.
int32_t ReadUpdateNumber(const char* key);

// 1 when an entry's path stays inside the folder it is joined to: not
// absolute, no drive, no component that climbs out ("..", also with trailing
// dots or blanks). Both separators count; double-byte characters are stepped
// over.
int StaysInsideFolder(const char* path);

// Runs the update from the confirmation page. The dialog then shows the
// shortage page or the completed page, or has been ended with -1.
void RunUpdate(HWND dialog);
