// The engine executable: one game, run from its working folder. No command
// line is read.
#include "engine/GxCore.h"
#include "io/GxFileSystem.h"

int main() {
    GxSetFileCacheCapacity(188743680);
    GxSetFileCacheMaxFileSize(1048576);
    GxMountPackFile(u"system.gxp");

    GxCore* core = GxCore::GetInstance();
    int exitCode = 1;
    if (core->Initialize()) {
        core->Run();
        core->Finalize();
        exitCode = core->GetExitCode();
    }

    GxClearFileCache();
    GxUnmountAllPackFiles();
    return exitCode;
}
