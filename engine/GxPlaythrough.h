#pragma once
// A scripted run of the real program, for the playthrough tests and the
// start-up benchmark. When the environment variable QUILLON_PLAYTHROUGH names
// a script, the process runs on a stepped clock (every frame exactly one
// frame's time later, however fast the machine draws) unless the script asks
// for the real one, pumps the silent audio output in step with that clock,
// lets movies decode up to each frame's time before it is shown, takes its
// input from the script through the window's own event queue, and writes
// the frames, sound and notes the script asks for into the script's folder.
//
// The script: one command a line, '#' starts a comment. A line that begins
// with "+N" runs N passes after the previous command (the first counts from
// the first pass); without it, in the same pass.
//   clock real            (first) frames paced by the machine's clock
//   wait SCENE            holds the commands after it until SCENE is current
//   label NAME            holds the commands after it until the title is
//                         current, then starts the main adventure scene at
//                         the script label NAME as the debug scene's jump
//                         does, the screen faded in first (a label the
//                         script lacks is said and skipped)
//   move X Y              the pointer, in client pixels
//   down|up BUTTON X Y    BUTTON: left, right or middle
//   click X Y             down and up of the left button
//   keydown|keyup|key KEY KEY: SDL's name of the key ("Escape", "Left Ctrl")
//   close                 the window's close box
//   shot NAME             the frame just presented, as NAME.png
//   sound NAME SECONDS    the mixed output from this pass on, as NAME.f32
//                         (interleaved stereo floats at 48 kHz, little-endian)
//   note TEXT             "TEXT <monotonic microseconds>" on standard output
//                         once the frame is presented
//   quit                  ends the program as its window's destruction does
#include "base/GxTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class GxCore;

class GxPlaythrough {
public:
    // The script QUILLON_PLAYTHROUGH names; null without the variable. A
    // script that cannot be read or understood gives null with the reason in
    // error.
    static std::unique_ptr<GxPlaythrough> FromEnvironment(std::string* error);
    // Parses a script; false with the reason (and its line) in error.
    bool Parse(const std::string& text, std::string* error);

    GxPlaythrough();
    ~GxPlaythrough();
    GxPlaythrough(const GxPlaythrough&) = delete;
    GxPlaythrough& operator=(const GxPlaythrough&) = delete;

    // Before anything reads the clock or opens the audio output.
    void Start();
    // At the start of a main-loop pass: movies caught up with the clock, the
    // scene waits checked, the pass's input queued.
    void BeforePass(GxCore& core);
    // After the pass presented its frame: the sound of the pass, frames and
    // notes.
    void AfterPass(GxCore& core);
    // After shutdown: the system clock back, unfinished sound written.
    void Finish();

    void SetOutputFolder(const std::string& folder) { m_Folder = folder; }

    struct Command {
        int line = 0;
        int delay = 0;
        std::string verb;
        std::vector<std::string> args;
    };

private:
    class SteppedClock;

    bool IsDue(GxCore& core, const Command& c, bool afterFrame);
    void RunInput(GxCore& core, const Command& c);
    void RunOutput(GxCore& core, const Command& c);
    void PumpSound();
    void WriteSound();

    std::vector<Command> m_Commands;
    size_t m_Next = 0;
    // The pass the next command counts its delay from.
    u32 m_Base = 0;
    bool m_RealClock = false;
    std::string m_Folder = ".";
    std::unique_ptr<SteppedClock> m_Clock;
    uint64_t m_SoundStartUs = 0;
    uint64_t m_SoundFrames = 0;
    std::string m_SoundName;
    uint64_t m_SoundWanted = 0;
    std::vector<float> m_Sound;
};
