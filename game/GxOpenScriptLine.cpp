#include "game/GxOpenScriptLine.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTextEditor.h"

bool GxOpenScriptLine(const GxString& scriptName, int line) {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    if (!config) return false;
    const GxString path = GxGetFullPath(config->m_FolderNames[kGxFolderScripts] + scriptName);
    if (!config->m_TextEditorCommand.empty())
        return GxRunCommandLine(ExpandEditorCommandTemplate(config->m_TextEditorCommand, path, line));
    // The developer asked for the line: without any editor, say how to name one.
    if (FindTxtAssociatedEditor().empty()) {
        GxWriteErrorLog(u"GxOpenScriptLine/テキストエディタが見つかりません。setting.iniのTextEditorCommandに"
                        u"エディタのコマンドを設定してください(例: TextEditorCommand=gedit +%%line %%file)(%s)\n",
                        path);
        return false;
    }
    return GxOpenFileInEditor(path, line);
}
