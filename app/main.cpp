// The engine executable: one game, run from its working folder. No command
// line is read.
#include "base/GxLog.h"
#include "engine/GxCore.h"
#include "io/GxFileSystem.h"

int main() {
    // Nothing knows yet where the logs go: start-up keeps the lines until it does.
    GxHoldLogLines();
    GxSetFileCacheCapacity(188743680);
    GxSetFileCacheMaxFileSize(1048576);
    // A game may come without this pack; one that is there but unusable is said.
    GxMountPackFileReported(u"system.gxp", true);

    GxCore* core = GxCore::GetInstance();
    int exitCode = 1;
    if (core->Initialize()) {
        core->Run();
        core->Finalize();
        exitCode = core->GetExitCode();
    }

    GxEndFileSystem();
    return exitCode;
}
