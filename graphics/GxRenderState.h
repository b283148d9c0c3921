#pragma once
// Every render and texture-stage state the engine sets goes through two
// cached setters: a value already set is not sent again, and every value sent
// is remembered so that the device layer can put it back after a reset. On
// them stand the named setters, the ten blend presets every draw call selects
// by number, the device's initial state and the default 2-D state of every
// drawing pass.
#include "base/GxVector.h"
#include "platform/render/types.h"

// Blend presets: 1 opaque, 2 and 8 alpha blending, 3 additive (d + s·a),
// 4 additive with doubled colour and alpha, 5 subtractive (d − s·a),
// 6 multiply, 7 exclusion, 9 screen, 10 plain subtract (s − d). 0 re-applies
// the stage's last mode; anything else applies alpha blending.
constexpr u32 kGxBlendModeCount = 10;

bool GxSetRenderState(prender::render_state state, u32 value);
bool GxSetTextureStageState(u32 stage, prender::stage_state type, u32 value);
// The result of its last state call.
bool GxSetBlendMode(u32 stage, u32 mode);
// The mode remembered for a stage (0 before any).
u32 GxGetBlendMode(u32 stage);

bool GxSetZEnable(bool enable);
bool GxSetZWriteEnable(bool enable);
// Enabled: alpha test on with the reference and "greater or equal".
bool GxSetAlphaTest(bool enable, u32 reference);
bool GxSetMultiSampleAntialias(bool enable);
bool GxSetSpecularEnable(bool enable);
bool GxSetCullMode(prender::cull mode);
bool GxSetFillMode(prender::fill mode);
bool GxSetLighting(bool enable);

// Magnification and minification filter of sampler 0, set on the device
// directly: a device reset does not restore it (drawing code sets it before
// it draws).
void GxSetTextureFilter(prender::filter filter);

// The rectangle's left, top, width and height, or the screen size without
// one; kept inside the current render target.
void GxSetViewport(const GxRect* rect);
// The viewport last set.
prender::viewport GxGetViewport();

// Z off, alpha test off, antialias on, specular on, no culling, solid fill,
// lighting off, and no texture on any stage. Blending is left to each draw.
void GxSetDefaultRenderStates();
// The state the device is put in once after it is created.
void GxSetInitialRenderStates();

// The device layer's hooks: forget every cached value (a new device), and
// send every cached value again (after a reset).
void GxClearRenderStateCache();
void GxReapplyRenderStateCache();
