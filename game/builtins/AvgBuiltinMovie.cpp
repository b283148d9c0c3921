#include "game/builtins/AvgBuiltinMovie.h"

#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "layers/GxTaskLayer.h"
#include "media/movie/GxMovie.h"
#include "tasks/GxSystemConfig.h"

#include <limits>

namespace {

constexpr const GxChar* kMovieLayer = u"$MOVIELAYER:SeqAvgMain";
constexpr s32 kScreenWidth = 1024;
constexpr s32 kScreenHeight = 768;

// The script counts the repeats after the first play (0 plays once, -1 for
// ever); the layer counts plays (1 once, 0 for ever).
s32 LayerPlayCount(s32 repeats) { return repeats == std::numeric_limits<s32>::max() ? repeats : repeats + 1; }

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinMovie, MV, 6) {
    const GxSystemConfig& config = AvgBuiltinCall::Config();
    const s32 time = call.Int32(1, config.m_ScreenEffectTime);
    const s32 width = call.Int32(2, kScreenWidth);
    const s32 height = call.Int32(3, kScreenHeight);
    const s32 repeats = call.Int32(4, 0);
    const f64 start = f64(call.Int32(5, 0)) / 1000.0;
    GxTaskLayer* layer = AvgBuiltinCall::FindLayer(kMovieLayer);
    // No movie named, or an empty file: whatever the layer shows fades away.
    if (!call.IsGiven(0)) {
        if (layer) layer->StartTransit(time);
        return true;
    }
    GxString path = config.m_FolderNames[kGxFolderMovies] + call.Str(0);
    if (!GxResolveMovieFile(path)) return call.Fail(u"動画ファイルが見つかりません[%s]", path);
    if (!layer) return true;
    if (GxMovie::RefuseUnplayable(path)) {
        layer->StartTransit(time);
        return true;
    }
    const GxUserConfig* settings = GxUserConfig::Get();
    layer->SetMovieContent(path, width, height, LayerPlayCount(repeats), start,
                           settings ? settings->GetMovieVolume() : 0, true, time);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMovie, MV_WA, 2) {
    const s32 flags = call.WaitFlags(1);
    call.HideWindowIfAsked(0);
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->m_Hold_EndOfMovie = flags;
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMovie, MV_AUTOSTOP, 1) {
    if (GxTaskLayer* layer = AvgBuiltinCall::FindLayer(kMovieLayer))
        layer->SetMovieAutoDisappearTime(call.IsGiven(0) ? call.Int(0) : AvgBuiltinCall::Config().m_MovieAutoDisappearTime);
    return true;
}
