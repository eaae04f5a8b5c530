#pragma once

namespace zorvik::core {

// The numbered sound cues that acknowledge operator actions. Subsystems are
// handed one and ask for a cue by its number; the player sounds them.
class Cues {
public:
    enum Cue : int { Startup = 1, Select = 2, Found = 3, Copied = 4, Error = 5, Exit = 6, Deleted = 7 };

    // Any thread. A burst of requests may be heard as its last one.
    virtual void request(int cue) = 0;

protected:
    ~Cues() = default;
};

}  // namespace zorvik::core
