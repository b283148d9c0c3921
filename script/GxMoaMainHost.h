#pragma once
// What the main worker's text lines need of the game above the interpreter:
// the main adventure scene ("SeqAvgMain"), the game state, the permanent
// data's read-message bits, the configured name separators and name-image
// folder, and the image-file lookup. The game module implements it and gives
// it to the main worker (GxMoaWorkerEx::SetMainHost).
#include "base/GxTypes.h"

class GxMoaMainHost {
public:
    virtual ~GxMoaMainHost() = default;

    // Whether the main adventure scene exists to show text.
    virtual bool HasMainScene() = 0;
    virtual void ShowMessage(const GxString& message, bool read, bool ignoreKinsoku, bool flag) = 0;
    virtual void SetName(const GxString& name, int nameIdentifyMode) = 0;
    virtual void ClearName() = 0;

    virtual int GetNameIdentifyMode() = 0;
    virtual bool GetIgnoreKinsoku() = 0;
    virtual void AddMessageLog(const GxString& name, const GxString& message, bool ignoreKinsoku, bool flag) = 0;

    virtual bool IsReadedMessage(const GxString& key, int index) = 0;
    virtual void SetReadedMessage(const GxString& key, int index) = 0;

    // "「（" and "cg/name/" unless the configuration says otherwise.
    virtual GxString GetNameSeparators() { return u"「（"; }
    virtual GxString GetNameImageFolder() { return u"cg/name/"; }
    // True when the path names an image on disk or in a pack, trying the
    // image extensions in turn; the found name is written back.
    virtual bool ResolveImageFile(GxString* path) = 0;
};
