#pragma once
// String, code-page and path functions used across the engine. Every function
// returns a new string and keeps no state. Paths use '/' inside the engine but
// every function here also accepts '\\'.
#include "base/GxTypes.h"

// Code pages: "ANSI" is CP932 (Shift-JIS), the code page of the game data.
GxStringA GxToAnsi(GxStringView s);
GxStringA GxToUtf8(GxStringView s);
GxString GxFromAnsi(std::string_view s);
GxString GxFromUtf8(std::string_view s);
GxString GxCopyString(GxStringView s);
// A path as the operating system takes it and back. A byte of a name that is
// not UTF-8 stays the same byte through both, so paths built under such a
// folder name it; GxToUtf8 is for showing a path, not for using it.
GxStringA GxToNativePath(GxStringView path);
GxString GxFromNativePath(std::string_view path);

// Editing.
GxString GxReplaceAll(GxStringView s, GxStringView from, GxStringView to);
GxString GxReplaceChar(GxStringView s, GxChar find, GxChar replace);
GxString GxToLower(GxStringView s);  // ASCII letters only
GxString GxToUpper(GxStringView s);  // ASCII letters only
// mode 0: copy; 1: leading code units <= 32 removed; 2: trailing; 3: both;
// any other mode: leading and trailing CR and LF only.
GxString GxTrim(GxStringView s, int mode);
GxString GxCharAt(GxStringView s, int index);
GxString GxExtractQuoted(GxStringView s, int pos);

// Paths.
GxString GxGetFileName(GxStringView path);
GxString GxGetDirectoryName(GxStringView path);
GxString GxGetFileExtension(GxStringView path);
GxString GxGetFileTitle(GxStringView path);
GxString GxChangeFileExtension(GxStringView path, GxStringView ext);
bool GxHasFileExtension(GxStringView path, GxStringView ext);
GxString GxAddPathSeparator(GxStringView path, GxChar sep = u'/');
GxString GxRemovePathSeparator(GxStringView path);
GxString GxCombinePath(GxStringView dir, GxStringView name, GxChar sep = u'/');
GxString GxGetFullPath(GxStringView path);
GxString GxGetCurrentDirectory();
GxString GxGetMyDocumentsPath();
bool GxCanOpenFile(GxStringView path);
bool GxCreateDirectory(GxStringView path);
bool GxIsDirectory(GxStringView path);

// ASCII case-insensitive equality.
bool GxEqualsNoCase(GxStringView a, GxStringView b);
