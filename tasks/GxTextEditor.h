#pragma once
// Opening a script line in an outside text editor: either the developer's
// command template (TextEditorCommand in "setting.ini") or the desktop's
// editor for text files, given the options that open the file at the line
// when it is one the engine knows. The editor is started and not waited for.
#include "base/GxTypes.h"

// The template with "%line" replaced by the line, then "%pos" by "0", then
// "%file" by the path (unquoted).
GxString ExpandEditorCommandTemplate(const GxString& commandTemplate, const GxString& path, int line);
// Starts the command line as a new process; true when it started.
bool GxRunCommandLine(const GxString& commandLine);
// Opens the file (which must be on disk) at the 1-based line in the
// desktop's text editor.
bool GxOpenFileInEditor(const GxString& path, int line);
// The executable of the desktop's text editor; "" when none is known.
GxString FindTxtAssociatedEditor();
// The program a command line starts: its first part when that is quoted,
// else what stands before the first blank (the line trimmed first).
GxString GxCommandLineProgram(const GxString& commandLine);
// The arguments that open path at line in the named editor; for an editor it
// does not know, only the quoted path.
GxString BuildKnownEditorCommand(const GxString& path, int line, const GxString& editorFileName);
