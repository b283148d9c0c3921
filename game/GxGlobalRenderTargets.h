#pragma once
// The game's off-screen copy of the screen, made at start-up and kept to
// shutdown: two surfaces, two render textures with one depth-stencil surface
// (the first texture is where the screen is captured: the scene transitions
// fade from it, the main scene builds its rule transitions and save
// thumbnails from it; layout-project layers draw through the second), the
// rule image of a transition and the thumbnail's pixels. The screen size is
// the device's requested back-buffer size. Main thread only.
#include "base/GxTypes.h"

class GxCoreBase;
class GxBinBuffer;
class GxSurface;
class GxTexture;

void GxCreateGlobalRenderTargets();
void GxReleaseGlobalRenderTargets();

// Everything below is null (or does nothing) before the start-up made the
// targets and after the shutdown released them.
// Texture 0 or 1; null for any other index.
GxTexture* GxGetGlobalRenderTexture(int index);
GxSurface* GxGetGlobalDepthStencil();
// Surface 0 or 1 (screen size, no alpha); null for any other index.
GxSurface* GxGetGlobalSurface(int index);

// The rule image loaded from the file, or, without a name, an empty one of
// the screen size; A8R8G8B8 either way.
GxSurface* GxGetTransitionSurface(const GxChar* fileName);

// Draws the scenes of the sequence workers once into texture 0, without the
// resident system scene (render-enqueue walk only, on the second bank of
// render lists so that the frame's own lists stay); the result of restoring
// the previous render target, false when nothing could be drawn.
bool GxRenderToGlobalTexture(GxCoreBase* core);
// True only while GxRenderToGlobalTexture draws.
bool GxIsCapturingGlobalTexture();

// Writes into the destination the captured screen with an alpha mask from
// the rule image's red channel: progress 0 opaque everywhere, 1 transparent
// everywhere, darker rule pixels turning transparent first. Nothing is
// written unless the rule image and both textures hold the whole screen.
void GxComposeRuleTransition(GxTexture* destination, f32 progress);

// Each 8 x 8 block of texture 0 averaged into one opaque 0xAARRGGBB pixel of
// the thumbnail buffer, (width / 8) x (height / 8) pixels row by row.
bool GxCaptureThumbnailPixels();
const GxBinBuffer& GxGetThumbnailPixels();
