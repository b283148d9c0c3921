#include "platform/audio/spatial.h"

#include "platform/audio/voice_engine.h"
#include "platform/audio/wave_format.h"

#include <algorithm>
#include <cmath>

namespace paudio {
namespace {

vec3 sub(const vec3& a, const vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
vec3 add_scaled(const vec3& a, const vec3& b, float s) { return {a.x + b.x * s, a.y + b.y * s, a.z + b.z * s}; }
float dot(const vec3& a, const vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(const vec3& a) { return std::sqrt(dot(a, a)); }
vec3 cross(const vec3& a, const vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
vec3 normalised(const vec3& a) {
    const float l = length(a);
    return l > 0.0f ? vec3{a.x / l, a.y / l, a.z / l} : vec3{};
}
// The right of an orientation: top x front is +x for +y and +z.
vec3 right_of(const vec3& front, const vec3& top) { return normalised(cross(top, front)); }

// The angle between a unit axis and a direction (not necessarily unit).
float angle_between(const vec3& axis, const vec3& direction) {
    const float l = length(direction);
    if (l <= 0.0f) return 0.0f;
    return std::acos(std::clamp(dot(normalised(axis), direction) / l, -1.0f, 1.0f));
}

float cone_volume(const sound_cone& cone, float angle) {
    const float inner = cone.inner_angle * 0.5f, outer = cone.outer_angle * 0.5f;
    // A cone of angle 0 holds no direction, not even its own axis.
    if (inner > 0.0f && angle <= inner) return cone.inner_volume;
    if (angle >= outer) return cone.outer_volume;
    return cone.inner_volume + (cone.outer_volume - cone.inner_volume) * (angle - inner) / (outer - inner);
}

float curve_value(const distance_curve* curve, float d) {
    if (!curve || curve->count == 0) return d <= 1.0f ? 1.0f : 1.0f / d;
    const curve_point* p = curve->points;
    if (d <= p[0].distance) return p[0].value;
    for (uint32_t i = 1; i < curve->count; ++i) {
        if (d <= p[i].distance) {
            const float span = p[i].distance - p[i - 1].distance;
            if (span <= 0.0f) return p[i].value;
            return p[i - 1].value + (p[i].value - p[i - 1].value) * (d - p[i - 1].distance) / span;
        }
    }
    return p[curve->count - 1].value;
}

// Constant-power gains of a pan from -1 (left) to 1 (right).
void pan_power(float pan, float& left, float& right) {
    pan = std::clamp(pan, -1.0f, 1.0f);
    left = std::sqrt((1.0f - pan) * 0.5f);
    right = std::sqrt((1.0f + pan) * 0.5f);
}

} // namespace

bool spatial_initialize(uint32_t channel_mask, float speed_of_sound, spatial_instance& instance) {
    if (channel_mask != (speaker_front_left | speaker_front_right) || speed_of_sound <= 0.0f) return false;
    instance.channel_mask = channel_mask;
    instance.channels = 2;
    instance.speed_of_sound = speed_of_sound;
    return true;
}

void spatial_calculate(const spatial_instance& instance, const listener_3d& listener, const emitter_3d& emitter,
                       uint32_t flags, dsp_settings& dsp) {
    const vec3 toEmitter = sub(emitter.position, listener.position);
    const float distance = length(toEmitter);
    dsp.distance = distance;
    if (!(flags & calculate_matrix) || !dsp.matrix || dsp.destination_channels != instance.channels) return;

    const float scaler = emitter.curve_distance_scaler > 0.0f ? emitter.curve_distance_scaler : 1.0f;
    float volume = curve_value(emitter.volume_curve, distance / scaler);
    if (listener.cone) volume *= cone_volume(*listener.cone, angle_between(listener.front, toEmitter));
    if (emitter.cone) {
        const vec3 back = sub(listener.position, emitter.position);
        volume *= cone_volume(*emitter.cone, angle_between(emitter.front, back));
    }

    const vec3 right = right_of(listener.front, listener.top);
    const vec3 emitterRight = right_of(emitter.front, emitter.top);
    const vec3 emitterFront = normalised(emitter.front);
    const uint32_t sources = dsp.source_channels;
    for (uint32_t s = 0; s < sources; ++s) {
        vec3 p = emitter.position;
        if (sources > 1 && emitter.channel_azimuths) {
            const float a = emitter.channel_azimuths[s];
            p = add_scaled(add_scaled(p, emitterRight, std::sin(a) * emitter.channel_radius), emitterFront,
                           std::cos(a) * emitter.channel_radius);
        }
        const vec3 v = sub(p, listener.position);
        const float d = length(v);
        float pan = d > 0.0f ? dot(v, right) / d : 0.0f;
        if (emitter.inner_radius > 0.0f && d < emitter.inner_radius) pan *= d / emitter.inner_radius;
        float l, r;
        pan_power(pan, l, r);
        dsp.matrix[s] = l * volume;
        dsp.matrix[sources + s] = r * volume;
    }
}

void buffer_3d_gains(const listener_params& listener, const buffer_3d_params& buffer, bool mute_at_max,
                     float& left, float& right) {
    if (buffer.mode == mode_disable) {
        left = right = 1.0f;
        return;
    }
    vec3 v, axis;
    if (buffer.mode == mode_head_relative) {
        v = buffer.position;
        axis = {1.0f, 0.0f, 0.0f};
    } else {
        v = sub(buffer.position, listener.position);
        axis = right_of(listener.front, listener.top);
    }
    const float d = length(v);
    float gain = 1.0f;
    if (d > buffer.max_distance && mute_at_max) {
        gain = 0.0f;
    } else if (buffer.min_distance > 0.0f) {
        const float clamped = std::min(d, buffer.max_distance);
        if (clamped > buffer.min_distance) gain = buffer.min_distance / clamped;
    }
    // The cone points from the source; the listener stands at -v from it.
    const float angle = angle_between(buffer.cone_orientation, vec3{-v.x, -v.y, -v.z}) * 180.0f / 3.14159265f;
    const float inner = float(buffer.inside_cone_angle) * 0.5f, outer = float(buffer.outside_cone_angle) * 0.5f;
    if (d > 0.0f && angle > inner) {
        const float t = angle >= outer || outer <= inner ? 1.0f : (angle - inner) / (outer - inner);
        gain *= gain_from_hundredths_db(int32_t(float(buffer.cone_outside_volume) * t));
    }
    pan_power(d > 0.0f ? dot(v, axis) / d : 0.0f, left, right);
    left *= gain;
    right *= gain;
}

} // namespace paudio
