#pragma once
// What the main script worker's text lines need of the game: the game
// state's backlog and name settings, the permanent data's read-message
// flags, the configured name brackets and name-image folder, and the image
// look-up. Showing the text is the main adventure scene's.
#include "script/GxMoaMainHost.h"

class GxGameMoaMainHost : public GxMoaMainHost {
public:
    // The main adventure scene ("SeqAvgMain") shows the message and the
    // speaker's name in its windows.
    bool HasMainScene() override;
    void ShowMessage(const GxString& message, bool read, bool ignoreKinsoku, bool disableAutoNewline) override;
    void SetName(const GxString& name, int nameIdentifyMode) override;
    void ClearName() override;

    int GetNameIdentifyMode() override;
    bool GetIgnoreKinsoku() override;
    void AddMessageLog(const GxString& name, const GxString& message, bool ignoreKinsoku, bool flag) override;
    bool IsReadedMessage(const GxString& key, int index) override;
    void SetReadedMessage(const GxString& key, int index) override;
    GxString GetNameSeparators() override;
    GxString GetNameImageFolder() override;
    bool ResolveImageFile(GxString* path) override;
};
