#include "game/GxOpenScriptLine.h"

#include "base/GxStringUtil.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTextEditor.h"

bool GxOpenScriptLine(const GxString& scriptName, int line) {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    if (!config) return false;
    const GxString path = GxGetFullPath(config->m_FolderNames[kGxFolderScripts] + scriptName);
    if (config->m_TextEditorCommand.empty()) return GxOpenFileInEditor(path, line);
    return GxRunCommandLine(ExpandEditorCommandTemplate(config->m_TextEditorCommand, path, line));
}
