#include "io/GxRefusedFile.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"

namespace {

// A path as a shell takes it, quoted where it must be.
GxString ShellWord(const GxString& path) {
    bool plain = !path.empty();
    for (GxChar c : path)
        plain = plain && ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                          c == u'/' || c == u'.' || c == u'_' || c == u'-');
    if (plain) return path;
    GxString quoted = u"'";
    for (GxChar c : path) quoted += c == u'\'' ? GxString(u"'\\''") : GxString(1, c);
    return quoted + u"'";
}

} // namespace

void GxLogRefusedFile(const GxChar* who, const GxString& path, const psys::stranger& s) {
    const std::string native = GxToNativePath(path);
    const size_t slash = native.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : native.substr(0, slash);
    const GxString user = GxFromUtf8(s.user), player = GxFromUtf8(psys::player_name(folder.empty() ? "/" : folder));
    if (s.what == psys::stranger::kind::others) {
        GxWriteErrorLog(u"%s/他のユーザー(%s)のファイルのため、読み込みも置き換えもしません(%s)。"
                        u"プレイヤーのものにするには「sudo chown %s %s」を実行してください\n",
                        who, user, path, player, ShellWord(path));
    } else if (s.own) {
        GxWriteErrorLog(u"%s/読む権限のないファイルのため、読み込みも置き換えもしません(%s:%s)。"
                        u"読めるようにするには「chmod u+rw %s」を実行してください\n",
                        who, path, user, ShellWord(path));
    } else if (user == player) {
        // The player's own, made before the folder was shared with this
        // user: only its owner may let this user in.
        GxWriteErrorLog(u"%s/読む権限のないファイルのため、読み込みも置き換えもしません(%s:%s)。"
                        u"読めるようにするには、持ち主が読み書きを許してください"
                        u"(グループで共有しているなら「chmod g+rw %s」)\n",
                        who, path, user, ShellWord(path));
    } else {
        // Only its owner or root may give it back: a sharer's, or root's.
        GxWriteErrorLog(u"%s/読む権限のないファイルのため、読み込みも置き換えもしません(%s:%s)。"
                        u"読めるようにするには「sudo chown %s %s」を実行してください\n",
                        who, path, user, player, ShellWord(path));
    }
}
