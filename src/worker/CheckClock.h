#pragma once
#include <chrono>
#include <cstdint>

// Both clocks read at one moment, in milliseconds: the steady clock measures intervals; the wall
// clock is compared with it to notice a sleep (the steady clock may stand still during one).
struct TClockReading {
    int64_t SteadyMs = 0;
    int64_t WallMs = 0;
};

// Where the check schedule reads the time; tests give a clock they move by hand.
class TCheckClock {
public:
    virtual ~TCheckClock() = default;
    virtual TClockReading Now() = 0;
};

class TSystemCheckClock : public TCheckClock {
public:
    TClockReading Now() override {
        using namespace std::chrono;
        return {duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count(),
                duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count()};
    }
};
