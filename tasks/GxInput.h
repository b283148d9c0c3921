#pragma once
// The input layer: keyboard, mouse and up to two joysticks polled once per
// update step into one GxInputState each (slots 0-3), and a fifth, combined
// state (slot 4) whose bits are the game's actions: the key map binds each key
// code to up to seven actions, and four virtual sticks copy chosen device
// sticks. Process-wide state; main thread only.
#include "base/GxTypes.h"
#include "tasks/GxInputState.h"

// Key codes: device slot x 256 + the bit within that device's state.
constexpr int kGxKeyCodeCount = 608;
constexpr int kGxKeyMapColumns = 8;
constexpr int kGxInputSlotCount = 5;
constexpr int kGxKeyMapSlot = 4;
constexpr int kGxVirtualStickCount = 4;

constexpr int KC_NONE = 0;
constexpr int KC_MOUSE_LEFT = 257;
constexpr int KC_MOUSE_RIGHT = 258;
constexpr int KC_MOUSE_MIDDLE = 259;
constexpr int KC_MOUSE_WHEEL_UP = 289;
constexpr int KC_MOUSE_WHEEL_DOWN = 290;
constexpr int KC_PAD_BTN01 = 513;
constexpr int KC_PAD_DIR1_UP = 545;
constexpr int KC_PAD_DIR2_UP = 561;
constexpr int KC_PAD_POV1_UP = 577;
constexpr int KC_PAD_POV2_UP = 593;

// Starts the devices and clears every state, the key map and the virtual
// sticks; writes the device report to "device.log". False when the input
// system cannot start: every state then reads as all up.
bool GxInitInput();
void GxReleaseInput();
// Once GxReleaseInput has stopped the devices: every state, the key map, the
// virtual sticks and the devices' held keys and buttons as a new process has
// them.
void GxResetInput();
// On window activation (true) and deactivation (false). While inactive no
// device is read.
void GxAcquireInput(bool acquire);
// The per-step poll.
void GxUpdateInput();
// Null outside 0-4.
GxInputState* GxGetInputState(int slot);
GxInputState* GxGetKeyMapInputState();
bool GxIsAnyInput();

// The code of a KC_ name (exact, case-sensitive); 0 for anything else.
int GxGetKeyCodeFromName(const GxString& name);
// The name shown for a code ("ESC", "左ボタン", "方向[1]↑", ...); empty where none.
const GxString& GxGetKeyCodeDisplayName(int keyCode);

void GxClearKeyMapTable();
// Out-of-range codes and columns are logged and ignored; an action above 255
// acts as its low 8 bits.
void GxSetKeyMap(int keyCode, int actionId, int column);
s32 GxGetKeyMap(int keyCode, int column);
void GxClearAnalogAssign();
// Virtual stick index (0-3) copies stick stickIndex (0-3) of device slot
// deviceSlot (0-3); -1 for either part leaves it unassigned. Other values are
// logged and ignored.
void GxSetAnalogAssign(int index, int deviceSlot, int stickIndex);
