#include "tasks/GxTextEditor.h"

#include "base/GxFormat.h"
#include "base/GxStringUtil.h"
#include "io/GxFileSystem.h"
#include "platform/system/process_launch.h"

GxString ExpandEditorCommandTemplate(const GxString& commandTemplate, const GxString& path, int line) {
    GxString out = GxReplaceAll(commandTemplate, u"%line", GxFormat(u"%d", line));
    out = GxReplaceAll(out, u"%pos", u"0");
    return GxReplaceAll(out, u"%file", path);
}

bool GxRunCommandLine(const GxString& commandLine) {
    return psys::launch_detached(psys::split_command_line(GxToUtf8(commandLine)));
}

GxString BuildKnownEditorCommand(const GxString& path, int line, const GxString& editorFileName) {
    GxString name = GxToLower(editorFileName);
    // The editors go by their Windows names; here the same programs may come
    // without the extension.
    if (!name.empty() && GxGetFileExtension(name).empty()) name += u".exe";
    if (name == u"hidemaru.exe") return GxFormat(u"\"%s\" /jx%d,%d", path, line, 0);
    if (name == u"sakura.exe") return GxFormat(u"-Y=%d -X=%d -- \"%s\"", line, 0, path);
    if (name == u"emeditor.exe") return GxFormat(u"/l %d \"%s\"", line, path);
    if (name == u"terapad.exe") return GxFormat(u"/jl=%d \"%s\"", line, path);
    if (name == u"apsaly.exe") return GxFormat(u"/j%d /c%d /d \"%s\"", line, 0, path);
    if (name == u"k2editor.exe") return GxFormat(u"\"%s\" /j%d", path, line);
    if (name == u"wzeditor.exe") return GxFormat(u"/j%d \"%s\"", line, path);
    if (name == u"gvim.exe") return GxFormat(u"--remote-tab-silent +%d \"%s\"", line, path);
    return GxFormat(u"\"%s\"", path);
}

GxString FindTxtAssociatedEditor() { return GxCommandLineProgram(GxFromUtf8(psys::text_file_handler())); }

GxString GxCommandLineProgram(const GxString& commandLine) {
    const GxString command = GxTrim(commandLine, 3);
    if (command.empty()) return {};
    if (command[0] == u'"') return GxExtractQuoted(command, 0);
    const size_t space = command.find(u' ');
    return space == GxString::npos ? command : command.substr(0, space);
}

bool GxOpenFileInEditor(const GxString& path, int line) {
    if (GxFileExists(path) != kGxFileOnDisk) return false;
    const GxString editor = FindTxtAssociatedEditor();
    // Without an editor the command would begin with the file itself.
    if (editor.empty()) return false;
    std::vector<std::string> argv = {GxToUtf8(editor)};
    for (std::string& a : psys::split_command_line(GxToUtf8(BuildKnownEditorCommand(path, line, GxGetFileName(editor)))))
        argv.push_back(std::move(a));
    return psys::launch_detached(argv);
}
