#pragma once
// What the core calls of the game: its defaults, its start-up (the last step
// of the core's start-up) and its shutdown (after the task manager is gone).
class GxCoreBase;

// Clears the logs of the last run ("device.log" always, "debug.log" and
// "error.log" when CleanErrorLog is set); sets the device's start-up block to
// the game's 1024 x 768 window and the frame timer's rates to 60.
void GxSetGameStartupDefaults(GxCoreBase* core);
// Makes the top task and, under it, the resident system scene as the task
// manager's root tree; plugs the game module into entry 1 of the module
// table; broadcasts the start-up events; asks for the boot scene.
void GxGameInitialize(GxCoreBase* core);
// Broadcasts the shutdown, then detaches the modules.
void GxGameTerminate(GxCoreBase* core);
