#pragma once
// 3-D positioning for both device styles: from a listener and a sound source
// to the gains of each source channel in the left and right outputs.
// Coordinates are left-handed: with the front along +z and the top along +y,
// +x is to the right. Panning keeps the power constant (a sound straight
// ahead has 0.7071 in both outputs).
#include <cstdint>

namespace paudio {

struct vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// ---- The queued style's calculation ----

// Gains by the angle off the cone's axis: inner volume within half the inner
// angle, outer volume beyond half the outer angle, linear between. A cone of
// angle 0 holds nothing.
struct sound_cone {
    float inner_angle = 0.0f;  // radians
    float outer_angle = 0.0f;
    float inner_volume = 1.0f;
    float outer_volume = 1.0f;
};

struct curve_point {
    float distance = 0.0f;  // normalised: distance / curve distance scaler
    float value = 0.0f;
};

// Piecewise linear over increasing distances; the ends hold beyond them.
struct distance_curve {
    const curve_point* points = nullptr;
    uint32_t count = 0;
};

struct listener_3d {
    vec3 front{0.0f, 0.0f, 1.0f};
    vec3 top{0.0f, 1.0f, 0.0f};
    vec3 position;
    vec3 velocity;
    const sound_cone* cone = nullptr;  // null: heard alike from every side
};

struct emitter_3d {
    const sound_cone* cone = nullptr;  // null: sounds alike to every side
    vec3 front{0.0f, 0.0f, 1.0f};
    vec3 top{0.0f, 1.0f, 0.0f};
    vec3 position;
    vec3 velocity;
    // Within this distance the sound spreads towards both sides evenly, the
    // more the nearer it is.
    float inner_radius = 0.0f;
    uint32_t channel_count = 1;
    // A multi-channel source places its channels this far from its position,
    // at these angles from its front (radians, clockwise seen from above).
    float channel_radius = 0.0f;
    const float* channel_azimuths = nullptr;
    // Null: full level up to a distance of 1, then 1 / distance.
    const distance_curve* volume_curve = nullptr;
    float curve_distance_scaler = 1.0f;
};

struct spatial_instance {
    uint32_t channel_mask = 0;
    uint32_t channels = 0;
    float speed_of_sound = 0.0f;
};

constexpr uint32_t calculate_matrix = 0x1;

struct dsp_settings {
    float* matrix = nullptr;  // source channels x destination channels, as set_output_matrix takes it
    uint32_t source_channels = 1;
    uint32_t destination_channels = 2;
    float distance = 0.0f;  // emitter to listener
};

// Only stereo output (front left and right) is offered.
bool spatial_initialize(uint32_t channel_mask, float speed_of_sound, spatial_instance& instance);
void spatial_calculate(const spatial_instance& instance, const listener_3d& listener, const emitter_3d& emitter,
                       uint32_t flags, dsp_settings& dsp);

// ---- The cursor style's calculation ----

enum : uint32_t { mode_normal = 0, mode_head_relative = 1, mode_disable = 2 };

struct buffer_3d_params {
    vec3 position;
    vec3 velocity;
    uint32_t inside_cone_angle = 360;  // degrees
    uint32_t outside_cone_angle = 360;
    vec3 cone_orientation{0.0f, 0.0f, 1.0f};
    int32_t cone_outside_volume = 0;  // hundredths of a decibel
    float min_distance = 1.0f;        // full level up to here, then min / distance
    float max_distance = 1.0e9f;      // no further attenuation beyond (or silence)
    uint32_t mode = mode_normal;
};

struct listener_params {
    vec3 position;
    vec3 velocity;
    vec3 front{0.0f, 0.0f, 1.0f};
    vec3 top{0.0f, 1.0f, 0.0f};
};

// The left and right gains of a mono source.
void buffer_3d_gains(const listener_params& listener, const buffer_3d_params& buffer, bool mute_at_max,
                     float& left, float& right);

} // namespace paudio
