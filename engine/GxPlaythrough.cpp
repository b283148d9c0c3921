#include "engine/GxPlaythrough.h"

#include "base/GxStringUtil.h"
#include "engine/GxCore.h"
#include "game/scenes/SeqDebug.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxSwapChain.h"
#include "platform/audio/output_device.h"
#include "platform/audio/wave_format.h"
#include "platform/image/image.h"
#include "platform/movie/movie_graph.h"
#include "platform/render/resources.h"
#include "platform/system/clock.h"
#include "platform/system/environment.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"
#include "platform/window/event_inject.h"
#include "tasks/GxTaskManage.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

// A script larger than this is no script.
constexpr uint64_t kMaxScriptBytes = 1 << 20;
// The longest recording a script may ask for.
constexpr double kMaxSoundSeconds = 60.0;

struct Verb {
    const char* name;
    int args;        // the arguments it takes; -1: the rest of the line (at least one word)
    bool afterFrame;  // runs once the pass presented its frame
};
constexpr Verb kVerbs[] = {
    {"wait", 1, false},  {"label", 1, false}, {"move", 2, false},  {"down", 3, false},   {"up", 3, false},   {"click", 2, false},
    {"keydown", -1, false}, {"keyup", -1, false}, {"key", -1, false}, {"close", 0, false}, {"quit", 0, false},
    {"shot", 1, true},   {"sound", 2, true},  {"note", -1, true},
};

const Verb* FindVerb(const std::string& name) {
    for (const Verb& v : kVerbs)
        if (name == v.name) return &v;
    return nullptr;
}

bool ParseInt(const std::string& text, long lo, long hi, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < lo || v > hi) return false;
    *out = int(v);
    return true;
}

// Seconds written as digits with at most one decimal point.
bool ParseSeconds(const std::string& text, double* out) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.') || text == ".")
        return false;
    *out = psys::parse_double_c(text.c_str());
    return true;
}

bool ParseButton(const std::string& text, pwin::mouse_button* out) {
    if (text == "left") *out = pwin::mouse_button::left;
    else if (text == "right") *out = pwin::mouse_button::right;
    else if (text == "middle") *out = pwin::mouse_button::middle;
    else return false;
    return true;
}

std::string Join(const std::vector<std::string>& words) {
    std::string s;
    for (const std::string& w : words) s += (s.empty() ? "" : " ") + w;
    return s;
}

} // namespace

// Every frame exactly the frame timer's period after the one before: the
// frame timer's waits move the time to where it waits for, and nothing else
// does, so other threads that sleep only give up their turn.
class GxPlaythrough::SteppedClock final : public psys::clock {
public:
    uint64_t now_us() override { return m_Now.load(std::memory_order_acquire); }
    void sleep_ms(uint32_t) override {}
    void spin_until_us(uint64_t t) override {
        uint64_t now = m_Now.load(std::memory_order_acquire);
        while (now < t && !m_Now.compare_exchange_weak(now, t, std::memory_order_acq_rel)) {
        }
    }

private:
    std::atomic<uint64_t> m_Now{1000000};
};

GxPlaythrough::GxPlaythrough() = default;
GxPlaythrough::~GxPlaythrough() { Finish(); }

std::unique_ptr<GxPlaythrough> GxPlaythrough::FromEnvironment(std::string* error) {
    const std::string path = psys::environment_variable("QUILLON_PLAYTHROUGH");
    if (path.empty()) return nullptr;
    psys::input_file file;
    std::string text;
    if (file.open(path) && file.status().size <= kMaxScriptBytes) {
        text.resize(size_t(file.status().size));
        text.resize(file.read_at(text.data(), text.size(), 0));
    } else {
        if (error) *error = "playthrough script " + path + " cannot be read";
        return nullptr;
    }
    auto run = std::make_unique<GxPlaythrough>();
    std::string why;
    if (!run->Parse(text, &why)) {
        if (error) *error = "playthrough script " + path + ": " + why;
        return nullptr;
    }
    const size_t slash = path.rfind('/');
    run->SetOutputFolder(slash == std::string::npos ? "." : path.substr(0, slash));
    return run;
}

bool GxPlaythrough::Parse(const std::string& text, std::string* error) {
    std::istringstream lines(text);
    std::string raw;
    int number = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(lines, raw)) {
        ++number;
        if (const size_t hash = raw.find('#'); hash != std::string::npos) raw.resize(hash);
        std::istringstream in(raw);
        std::vector<std::string> words;
        for (std::string w; in >> w;) words.push_back(w);
        if (words.empty()) continue;
        Command c;
        c.line = number;
        if (words[0][0] == '+') {
            if (!ParseInt(words[0].substr(1), 0, 1000000, &c.delay)) return fail("bad delay " + words[0]);
            words.erase(words.begin());
            if (words.empty()) return fail("a delay without a command");
        }
        c.verb = words[0];
        c.args.assign(words.begin() + 1, words.end());
        if (c.verb == "clock") {
            if (!m_Commands.empty() || c.args.size() != 1 || c.args[0] != "real") return fail("only \"clock real\", first");
            m_RealClock = true;
            continue;
        }
        const Verb* verb = FindVerb(c.verb);
        if (!verb) return fail("unknown command " + c.verb);
        if (verb->args < 0 ? c.args.empty() : int(c.args.size()) != verb->args)
            return fail(c.verb + " takes " + (verb->args < 0 ? std::string("text") : std::to_string(verb->args) + " arguments"));
        int x = 0;
        pwin::mouse_button button;
        if (c.verb == "move" || c.verb == "click") {
            if (!ParseInt(c.args[0], -100000, 100000, &x) || !ParseInt(c.args[1], -100000, 100000, &x))
                return fail("bad position");
        } else if (c.verb == "down" || c.verb == "up") {
            if (!ParseButton(c.args[0], &button)) return fail("bad button " + c.args[0]);
            if (!ParseInt(c.args[1], -100000, 100000, &x) || !ParseInt(c.args[2], -100000, 100000, &x))
                return fail("bad position");
        } else if (c.verb == "sound") {
            double seconds = 0;
            if (!ParseSeconds(c.args[1], &seconds) || !(seconds > 0 && seconds <= kMaxSoundSeconds))
                return fail("bad length " + c.args[1]);
            if (m_RealClock) return fail("sound is recorded on the stepped clock only");
        } else if (c.verb == "shot") {
            if (c.args[0].find('/') != std::string::npos) return fail("a name, not a path");
        }
        m_Commands.push_back(std::move(c));
    }
    return true;
}

void GxPlaythrough::Start() {
    if (m_RealClock) return;
    m_Clock = std::make_unique<SteppedClock>();
    psys::set_current_clock(m_Clock.get());
    // The output is pumped here, one pass's time after another.
    paudio::output_device::instance().set_mode(paudio::output_mode::manual);
    m_SoundStartUs = m_Clock->now_us();
}

void GxPlaythrough::Finish() {
    if (!m_SoundName.empty() && !m_Sound.empty()) WriteSound();
    if (m_Clock) {
        psys::set_current_clock(nullptr);
        paudio::output_device::instance().set_mode(paudio::output_mode::automatic);
        m_Clock.reset();
    }
}

bool GxPlaythrough::IsDue(GxCore& core, const Command& c, bool afterFrame) {
    if (c.verb == "wait" || c.verb == "label") return false;
    if (FindVerb(c.verb)->afterFrame != afterFrame) return false;
    return core.GetPassCounter() >= m_Base + u32(c.delay);
}

void GxPlaythrough::BeforePass(GxCore& core) {
    // Whatever a movie shows in this frame was decoded up to the frame's time.
    if (m_Clock) pmovie::movie_graph::settle_all();
    GxTaskManage* tm = core.GetTaskManage();
    while (m_Next < m_Commands.size()) {
        const Command& c = m_Commands[m_Next];
        if (c.verb == "wait" || c.verb == "label") {
            // A label is run from the title, where the start is over and a
            // player's "New Game" would start the story.
            const GxString scene = c.verb == "wait" ? GxFromUtf8(c.args[0]) : GxString(u"SeqTitle");
            int worker = -1;
            for (int i = 0; tm && i < GxTaskManage::kSeqWorkerCount && worker < 0; ++i) {
                const GxSeqWorker* w = tm->GetSeqWorker(i);
                // The title that is being left is no title to start from.
                if (w->m_CurrentName == scene && (c.verb == "wait" || !w->m_ChangePending)) worker = i;
            }
            if (worker < 0) return;
            if (c.verb == "label" && !SeqDebug::StartAtLabel(tm, worker, GxFromUtf8(c.args[0]), true))
                std::fprintf(stderr, "playthrough: line %d: label %s could not be given\n", c.line, c.args[0].c_str());
            m_Base = core.GetPassCounter();
            ++m_Next;
            continue;
        }
        if (!IsDue(core, c, false)) return;
        RunInput(core, c);
        m_Base = core.GetPassCounter();
        ++m_Next;
    }
}

void GxPlaythrough::AfterPass(GxCore& core) {
    while (m_Next < m_Commands.size()) {
        const Command& c = m_Commands[m_Next];
        if (!IsDue(core, c, true)) break;
        RunOutput(core, c);
        m_Base = core.GetPassCounter();
        ++m_Next;
    }
    PumpSound();
}

void GxPlaythrough::RunInput(GxCore& core, const Command& c) {
    const pwin::window& w = core.GetMainWindow();
    bool ok = true;
    pwin::mouse_button button = pwin::mouse_button::left;
    if (c.verb == "move") {
        ok = pwin::inject_mouse_move(w, std::atoi(c.args[0].c_str()), std::atoi(c.args[1].c_str()));
    } else if (c.verb == "down" || c.verb == "up") {
        ParseButton(c.args[0], &button);
        ok = pwin::inject_mouse_button(w, button, c.verb == "down", std::atoi(c.args[1].c_str()),
                                       std::atoi(c.args[2].c_str()));
    } else if (c.verb == "click") {
        const int x = std::atoi(c.args[0].c_str()), y = std::atoi(c.args[1].c_str());
        ok = pwin::inject_mouse_button(w, button, true, x, y) && pwin::inject_mouse_button(w, button, false, x, y);
    } else if (c.verb == "keydown" || c.verb == "keyup") {
        ok = pwin::inject_key(w, Join(c.args), c.verb == "keydown");
    } else if (c.verb == "key") {
        ok = pwin::inject_key(w, Join(c.args), true) && pwin::inject_key(w, Join(c.args), false);
    } else if (c.verb == "close") {
        ok = pwin::inject_close(w);
    } else if (c.verb == "quit") {
        core.RequestClose();
    }
    if (!ok) std::fprintf(stderr, "playthrough: line %d: %s could not be given\n", c.line, c.verb.c_str());
}

void GxPlaythrough::RunOutput(GxCore&, const Command& c) {
    if (c.verb == "note") {
        std::printf("%s %llu\n", Join(c.args).c_str(),
                    static_cast<unsigned long long>(psys::system_clock().now_us()));
        std::fflush(stdout);
    } else if (c.verb == "shot") {
        GxSwapChain* chain = GxGraphics::GetDefaultSwapChain();
        const auto back = chain && chain->GetD3DSwapChain() ? chain->GetD3DSwapChain()->back_buffer(0) : nullptr;
        if (!back) return;
        std::vector<uint32_t> pixels = back->read_argb();
        // The back buffer keeps no alpha.
        for (uint32_t& p : pixels) p |= 0xFF000000u;
        const uint32_t width = back->desc().width, height = back->desc().height;
        if (!pimage::save_png(m_Folder + "/" + c.args[0] + ".png", pixels.data(), width, height, size_t(width) * 4))
            std::fprintf(stderr, "playthrough: line %d: %s.png could not be written\n", c.line, c.args[0].c_str());
    } else if (c.verb == "sound") {
        if (!m_SoundName.empty() && !m_Sound.empty()) WriteSound();
        m_SoundName = c.args[0];
        double seconds = 0;
        ParseSeconds(c.args[1], &seconds);
        m_SoundWanted = uint64_t(seconds * paudio::mix_rate);
        m_Sound.clear();
    }
}

void GxPlaythrough::PumpSound() {
    if (!m_Clock) return;
    const uint64_t due = (m_Clock->now_us() - m_SoundStartUs) * paudio::mix_rate / 1000000u;
    if (due <= m_SoundFrames) return;
    const uint32_t frames = uint32_t(due - m_SoundFrames);
    m_SoundFrames = due;
    const bool recording = !m_SoundName.empty() && m_Sound.size() < m_SoundWanted * paudio::mix_channels;
    if (!recording) {
        paudio::output_device::instance().pump(frames);
        return;
    }
    const size_t at = m_Sound.size();
    m_Sound.resize(at + size_t(frames) * paudio::mix_channels);
    paudio::output_device::instance().pump(frames, m_Sound.data() + at);
    if (m_Sound.size() >= m_SoundWanted * paudio::mix_channels) {
        m_Sound.resize(size_t(m_SoundWanted) * paudio::mix_channels);
        WriteSound();
    }
}

void GxPlaythrough::WriteSound() {
    std::string error;
    if (!psys::write_file_whole(m_Folder + "/" + m_SoundName + ".f32", m_Sound.data(), m_Sound.size() * sizeof(float),
                                &error))
        std::fprintf(stderr, "playthrough: %s.f32 could not be written: %s\n", m_SoundName.c_str(), error.c_str());
    m_SoundName.clear();
    m_Sound.clear();
}
