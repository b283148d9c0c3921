#pragma once
// One engine frame: wait for the frame's time slot, run the update steps the
// frame timer says are due, draw the render lists and present.
class GxCore;

bool GxExecuteFrame(GxCore* core);
