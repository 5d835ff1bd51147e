// The run-log reader's pacing, without a window: the count answer opens a read of its pages, a 100 ms
// tick asks for each page, repeats the request after a second without it and gives up after three.
#pragma once

#include <optional>
#include <string>

class RunLogReader {
  public:
    // Ticks without the page before its request is sent again (at the 100 ms tick: one second).
    static constexpr int kRetryTicks = 10;
    // Requests a page may take before the read is given up.
    static constexpr int kMaxRequests = 3;

    enum class Count { Ignored, Empty, Reading };
    enum class End { None, Done, Failed };
    struct Tick {
        std::optional<int> progress;         // percentage of pages done, when it changes
        std::optional<std::string> request;  // payload of a page request to send
        End end = End::None;
    };

    // A new read: the next count answer is taken again; nothing runs until it comes.
    void Start();
    // The count answer; taken only once per read (also before the first start).
    Count CountInput(int total);
    [[nodiscard]] Tick OnTick();
    // True when the page answer at `offset` is the one awaited: it is taken once, so a repeated answer
    // or one that arrives while no page is awaited is not shown again.
    bool TakePage(int offset);

    [[nodiscard]] bool Running() const { return running_; }
    [[nodiscard]] int Total() const { return total_; }
    [[nodiscard]] int Page() const { return page_; }

  private:
    enum class Step { Advance, Wait };
    bool countReceived_ = false;
    bool running_ = false;
    int total_ = 0;
    int pages_ = 0;
    int page_ = 0;
    int requests_ = 0;
    int ticks_ = 0;
    Step step_ = Step::Advance;
    bool pageReceived_ = false;
};
