#pragma once

// Deletes the file `path`, or, with `isDirectory`, every entry of the folder
// `path` and then the folder; `recurse` empties and removes subfolders too.
// True when the walk ran to its end; single deletions that fail (read-only or
// open files, non-empty folders) leave their entry behind silently.
bool RemoveFiles(const wchar_t* path, bool recurse, bool isDirectory);

// Removes APPDATA\Corvel\ZeDod\Resource with its tree, and resource.cab beside
// it when it is still there. True when the last removal succeeded.
bool ClearResources();
