#include "tools/LogReader.h"

#include "tools/LogRecords.h"

void RunLogReader::Start() {
    countReceived_ = false;
    running_ = false;
}

RunLogReader::Count RunLogReader::CountInput(int total) {
    if (countReceived_) return Count::Ignored;
    countReceived_ = true;
    total_ = total;
    pages_ = LogPageCount(total);
    page_ = 0;
    if (pages_ <= 0) return Count::Empty;
    running_ = true;
    requests_ = 0;
    ticks_ = kRetryTicks;
    step_ = Step::Advance;
    pageReceived_ = false;
    return Count::Reading;
}

RunLogReader::Tick RunLogReader::OnTick() {
    Tick tick;
    if (!running_) return tick;
    if (step_ == Step::Advance) {
        tick.progress = page_ * 100 / pages_;
        if (page_ < pages_) {
            requests_ = 0;
            ticks_ = kRetryTicks;  // the first request leaves on the next tick
            pageReceived_ = false;
            step_ = Step::Wait;
        } else {
            running_ = false;
            tick.end = End::Done;
        }
        return tick;
    }
    if (pageReceived_) {
        ++page_;
        step_ = Step::Advance;
        return tick;
    }
    if (++ticks_ < kRetryTicks) return tick;
    ticks_ = 0;
    if (++requests_ <= kMaxRequests) {
        tick.request = LogPageRequest(total_, page_);
    } else {
        running_ = false;
        tick.end = End::Failed;
    }
    return tick;
}

bool RunLogReader::TakePage(int offset) {
    if (!running_ || step_ != Step::Wait || pageReceived_ || offset != page_ * kLogPageRecords) return false;
    pageReceived_ = true;
    return true;
}
