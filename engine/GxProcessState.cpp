#include "engine/GxProcessState.h"

#include "base/GxLog.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataHost.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxGraphics.h"
#include "io/GxFileSystem.h"
#include "layers/GxLayerServices.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "platform/system/clock.h"
#include "scenes/GxSceneGameServices.h"
#include "script/GxMoaSystem.h"
#include "tasks/GxInput.h"

void GxResetProcessState() {
    GxMoaShutdown();
    GxAudio::Shutdown();
    GxSound::Shutdown();
    paudio::output_device::instance().set_mode(paudio::output_mode::automatic);
    GxGraphics::Finalize();
    GxGraphics::SetAdapter(nullptr);
    GxGraphics::GetConfig() = GxGraphicsConfig{};
    GxUserDataHost::Set(nullptr);
    GxUserConfig::Set(nullptr);
    GxUserData::Set(nullptr);
    GxUserDataPerman::Set(nullptr);
    GxLayerServices::Set(nullptr);
    GxSceneGameServices::Set(nullptr);
    GxResetDataTables();
    GxClearKeyMapTable();
    GxClearAnalogAssign();
    GxResetFileSystem();
    GxSetBGMRestraintLevel(100);
    GxSetErrorLogPath(u"");
    GxSetDebugLogPath(u"");
    GxSetDeviceLogPath(u"");
    GxSetSkipSlightError(false);
    psys::set_current_clock(nullptr);
}
