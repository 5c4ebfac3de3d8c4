// Timing a benchmark's two sides against each other in one run: in each round the two sides run
// one right after the other (interleaved, so a change in the machine's load meets both), and the
// medians of the rounds are compared. The ratio is the peer's time over ours: 1.0 is as fast as
// the peer, 0.9 takes a ninth longer. Times are the processor time the program spent (both sides
// work on one thread and wait for nothing but the processor), so other programs keeping a shared
// machine busy do not weigh on whichever side they happen to meet.
#pragma once

#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

inline double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline double Seconds(const std::function<void()>& Work) {
    const double start = ProcessorSeconds();
    Work();
    return ProcessorSeconds() - start;
}

inline double Median(std::vector<double> Values) {
    if (Values.empty()) return 0.0;
    std::sort(Values.begin(), Values.end());
    const std::size_t middle = Values.size() / 2;
    return Values.size() % 2 ? Values[middle] : (Values[middle - 1] + Values[middle]) / 2.0;
}

struct TSideTimes {
    std::vector<double> Ours;
    std::vector<double> Peer;
    double OursMedian() const { return Median(Ours); }
    double PeerMedian() const { return Median(Peer); }
    // Our speed as a share of the peer's.
    double Ratio() const { return PeerMedian() / OursMedian(); }
};

// Rounds of the peer then our side, alternating which goes first, after one untimed run of each
// (fonts, caches and files are then ready for both alike).
inline TSideTimes Interleaved(int Rounds, const std::function<void()>& Ours,
                              const std::function<void()>& Peer) {
    Peer();
    Ours();
    TSideTimes times;
    for (int round = 0; round < Rounds; ++round) {
        if (round % 2 == 0) {
            times.Peer.push_back(Seconds(Peer));
            times.Ours.push_back(Seconds(Ours));
        } else {
            times.Ours.push_back(Seconds(Ours));
            times.Peer.push_back(Seconds(Peer));
        }
    }
    return times;
}
